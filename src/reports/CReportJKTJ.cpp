#include "reports/CReportJKTJ.h"

namespace corvane {

std::string CReportJKTJ::rowsQuery(const std::string& heads, const std::string& items, const std::string& yes,
                                   const std::string& no) const {
  const auto yesNo = [&](const std::string& yesWhen) {
    return "(case when " + yesWhen + " then " + yes + " else " + no + " end)";
  };
  return "select kx_vch.dtloandate as dtloandate,kx_vch.strdepartid as strdepartid,department.cdepname as "
         "strdepartname,kx_vch.strloanid as strloanid,personloan.cpersonname as strloanname,kx_vch.stritemclassid as "
         "stritemclassid,fitem.citem_name as stritemclassname,kx_vch.stritemid as stritemid,fitems.citemname as "
         "stritemname,kx_vch.dtexpdate as dtexpdate,kx_vch.strbuditemid as strbuditemid,BG_Item.cItemName as "
         "strbuditemname,kx_vch.strpersonid as strpersonid,kx_vchs.strbalanceid as strbalanceid,settlestyle.cssname as "
         "strbalancename,kx_vchs.strpaybankid as strpaybankid,bank.cbname as strpaybankname,bank.cbaccount as "
         "strpayaccount,kx_vchs.strbankname as strbankname,kx_vchs.strbankacc as strbankacc,kx_vch.strtypecode as "
         "strtypecode,KX_OperationType.strname as strtypename,kx_vch.strvouchid as strvouchid,kx_vch.strbill as "
         "strbill,kx_vchs.dblmoney as dblmoney,kx_vch.strused as strused,(case isnull(kx_vchs.dblmoney,0) when 0 then "
         "0 "
         "else isnull(kx_vchs.dblmoney,0)-isnull(kx_vchs.dblreturn,0) end) as dbllack,kx_vch.strauditorid as "
         "strauditorid," +
         yesNo("isnull(kx_vch.strauditorid,'')<>''") + " as bauditorid,kx_vch.strmakerid as strmakerid," +
         yesNo("isnull(kx_vch.strmakerid,'')<>''") + " as bmarkid," + yesNo("kx_vchs.blnsettle=1") + " as blnsettle," +
         yesNo("kx_vch.intbudpass=1") + " as bbudpass,1 as intnum from kx_loanvouch_sub kx_vchs join " + heads +
         " kx_vch on kx_vchs.mguid=kx_vch.guid left join department on kx_vch.strdepartid=department.cdepcode left "
         "join "
         "person personloan on kx_vch.strloanid=personloan.cpersoncode left join fitem on "
         "kx_vch.stritemclassid=fitem.citem_class left join " +
         items +
         " on fitem.citem_class=fitems.citem_class and kx_vch.stritemid=fitems.citemcode left join BG_Item on "
         "kx_vch.strbuditemid=BG_Item.cItemCode left join KX_OperationType on "
         "kx_vch.strtypecode=KX_OperationType.strcode "
         "left join settlestyle on kx_vchs.strbalanceid=settlestyle.csscode left join bank on "
         "kx_vchs.strpaybankid=bank.cbcode";
}

}  // namespace corvane
