#include "reports/CReportSZTJ.h"

namespace corvane {

std::string CReportSZTJ::rowsQuery(const std::string& heads, const std::string& items, const std::string& yes,
                                   const std::string& no) const {
  const auto yesNo = [&](const std::string& yesWhen) {
    return "(case when " + yesWhen + " then " + yes + " else " + no + " end)";
  };
  // The lines join their heads as the loan source does: a line of a voucher outside the user's
  // rights is left out, not written with empty head columns.
  return "select kx_vch.dtloandate as dtloandate,kx_vch.strtypecode as strtypecode,KX_OperationType.strname as "
         "strtypename,kx_vch.strdepartid as strdepartid,department.cdepname as strdepartname,kx_vch.strloanid as "
         "strloanid,personloan.cpersonname as strloanname,standa.strEIName as strloanclass,kx_vch.stritemclassid as "
         "stritemclassid,fitem.citem_name as stritemclassname,kx_vch.stritemid as stritemid,fitems.citemname as "
         "stritemname,kx_vchs.strezero as strezero,KX_Position.strPositionName as strezeroname,standb.strEIName as "
         "strezeroclass,kx_vchs.strjttools as strjttools,standc.strEIName as strjttoolsname,kx_vchs.strioitem as "
         "strioitem,KX_IOItem.strname as strioitemname,kx_vch.strbuditemid as strbuditemid,BG_Item.cItemName as "
         "strbuditemname,kx_vch.strpersonid as strpersonid,kx_vch.strvouchid as strvouchid,kx_vch.strbill as "
         "strbill,kx_vchs.dblmoney as dblmoney,kx_vch.strauditorid as strauditorid," +
         yesNo("isnull(kx_vch.strauditorid,'')<>''") + " as bauditorid,kx_vch.strmakerid as strmakerid," +
         yesNo("isnull(kx_vch.strmakerid,'')<>''") + " as bmarkid," + yesNo("kx_vch.intbudpass=1") + " as bbudpass," +
         yesNo("kx_vch.blnaudi=1") + " as blnaudi from kx_expenvouch_sub kx_vchs join " + heads +
         " kx_vch on kx_vchs.mguid=kx_vch.guid left join department on kx_vch.strdepartid=department.cdepcode left "
         "join "
         "person personloan on kx_vch.strloanid=personloan.cpersoncode left join KX_PersonCtrl on "
         "kx_vch.strloanid=KX_PersonCtrl.strPersonCode left join KX_EISet_NUStand standa on standa.intEICode=1 and "
         "standa.strEICode=KX_PersonCtrl.strGradeID left join KX_Position on "
         "kx_vchs.strezero=KX_Position.strPositionCode "
         "left join KX_EISet_NUStand standb on standb.intEICode=2 and standb.strEICode=KX_Position.strGradeID left "
         "join "
         "KX_EISet_NUStand standc on standc.intEICode=3 and standc.strEICode=kx_vchs.strjttools left join fitem on "
         "kx_vch.stritemclassid=fitem.citem_class left join " +
         items +
         " on fitem.citem_class=fitems.citem_class and kx_vch.stritemid=fitems.citemcode left join BG_Item on "
         "kx_vch.strbuditemid=BG_Item.cItemCode left join KX_OperationType on "
         "kx_vch.strtypecode=KX_OperationType.strcode "
         "left join KX_IOItem on kx_vchs.strioitem=KX_IOItem.strCode";
}

}  // namespace corvane
