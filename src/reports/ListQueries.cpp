#include "reports/ListQueries.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/FlowInfo.h"
#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/Values.h"

namespace corvane {

namespace {

XmlNode conditionOf(const XmlNode& func) { return func.selectSingleNode("in/cond"); }

// The WHERE text of the request's condition rows; "1=1" without any.
std::string conditionWhere(const XmlNode& func) {
  const XmlNode condition = conditionOf(func);
  return condition ? BuildWhereFromXml(condition) : std::string("1=1");
}

// True when every condition row names a column of one of `tables` ("table.column"): the list's
// keys can then be read from those tables alone, without the joins that only add names.
bool conditionsOnlyOn(const XmlNode& func, std::initializer_list<std::string_view> tables) {
  const XmlNode condition = conditionOf(func);
  if (!condition) return true;
  for (const XmlNode& row : condition.children()) {
    std::string name = row.attribute("fieldname");
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos) return false;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (std::find(tables.begin(), tables.end(), std::string_view(name).substr(0, dot)) == tables.end()) return false;
  }
  return true;
}

// The items the list joins: of the class named by the "stritemclassid" row anywhere in the
// request, or of every class.
std::string itemTable(const XmlNode& func, db::Connection& connection) {
  const XmlNode row = func.selectSingleNode("//row[@name='stritemclassid']");
  return GetItemTableSql(row ? row.attribute("value") : std::string(), connection);
}

// The joins from a voucher head (alias `head`) to the names the lists show.
std::string nameJoins(const std::string& head) {
  return " left join KX_OperationType on " + head + ".strtypecode=KX_OperationType.strcode" +
         " left join department on " + head + ".strdepartid=department.cdepcode" + " left join person personloan on " +
         head + ".strloanid=personloan.cpersoncode";
}

std::string itemJoins(const std::string& head, const std::string& items) {
  return " left join fitem on " + head + ".stritemclassid=fitem.citem_class" + " left join " + items +
         " on fitem.citem_class=fitems.citem_class and " + head + ".stritemid=fitems.citemcode";
}

// ---- the approval lists ----

struct ApprovalListShape {
  const char* table;
  const char* flowKinds;
  bool hasDueDate;  // loans: the due date column, and "*" after an opening-balance loan's number
};

const ApprovalListShape& shapeOf(VoucherKind kind) {
  static const ApprovalListShape kLoans{"kx_loanvouch", "45", true};
  static const ApprovalListShape kClaims{"kx_expenvouch", "46,47", false};
  return kind == VoucherKind::Loan ? kLoans : kClaims;
}

std::string approvalSelect(const ApprovalListShape& shape) {
  const std::string t = shape.table;
  std::string select = "'' as SelCol,KX_OperationType.strname as strtypename,";
  select += shape.hasDueDate ? "(case when isnull(" + t + ".blnBegin,0) = 1 then " + t + ".strvouchid + '*' else " + t +
                                   ".strvouchid end) as strvouchid,"
                             : t + ".strvouchid as strvouchid,";
  select += "convert(varchar(10)," + t + ".dtloandate,120)as dtloandate,department.cdepname as strdepartname," +
            "personloan.cpersonname as strloanname,";
  if (shape.hasDueDate) select += "convert(varchar(10)," + t + ".dtexpdate,120)as dtexpdate,";
  select += "BG_Item.cItemName as strbuditemname," + t + ".strbill as strbill," + t + ".dblmoney as dblmoney," + t +
            ".strused as strused,fitem.citem_name as stritemclassname,fitems.citemname as stritemname," + t +
            ".strpersonid as strpersonid," + t + ".strauditorid as strauditorid,Cast(" + t + ".ts As money) as ts," +
            t + ".autoid as autoid," + t + ".guid as guid," + t + ".strtypecode as strtypecode," + t +
            ".strdepartid as strdepartid," + t + ".strloanid as strloanid," + t + ".strbuditemid as strbuditemid," + t +
            ".stritemclassid as stritemclassid," + t + ".stritemid as stritemid";
  return select;
}

// The request's approval condition: a whole number (blanks around it allowed), 0 when the
// attribute is missing; any other text raises RuntimeError 13.
int auditCondition(const XmlNode& auditcond) {
  const std::optional<std::string> attribute = auditcond.findAttribute("auditcondition");
  if (!attribute) return 0;
  const std::size_t begin = attribute->find_first_not_of(' ');
  const std::string text = begin == std::string::npos
                               ? std::string()
                               : attribute->substr(begin, attribute->find_last_not_of(' ') - begin + 1);
  const std::size_t sign = text.rfind('-', 0) == 0 ? 1 : 0;
  const std::size_t digits = text.size() - sign;
  const bool whole = digits > 0 && digits <= 9 &&
                     std::all_of(text.begin() + static_cast<std::ptrdiff_t>(sign), text.end(),
                                 [](unsigned char c) { return std::isdigit(c) != 0; });
  if (!whole) raiseMessageNumbered(errnum::kTypeMismatch, "Z7.Corvane.0395");
  return std::stoi(text);
}

// The user whose approvals the list shows: the logged-in user, or for an administrator the one
// the request names.
std::string auditorOf(const XmlNode& auditcond, const LoginContext& ologin) {
  const std::string asked = auditcond.attribute("Auditor");
  return ologin.IsAdmin() && !asked.empty() ? asked : ologin.UserName();
}

std::string approvalFilter(const ApprovalListShape& shape, const XmlNode& func, const LoginContext& ologin) {
  const XmlNode auditcond = func.selectSingleNode("//auditcond");
  if (!auditcond) return {};
  int condition = auditCondition(auditcond);
  if (condition == -1 && auditcond.attribute("Auditor").empty()) return {};
  std::string auditor = auditorOf(auditcond, ologin);
  const std::unique_ptr<FlowInfo> flowInfo = ologin.host().flowInfo();
  const std::string t = shape.table;
  if (condition == 0) {
    return " and " + t + ".blnAudi=1 and (case isnull(" + t + ".strauditorid,'') when '' then 0 else 1 end)=0" +
           " and ltrim(" + t + ".Guid) not in (" +
           flowInfo->GetNotInAuditUserListSql(auditor, shape.flowKinds, condition) + ")";
  }
  if (condition == 1) {
    return " and " + t + ".blnAudi=1 and ltrim(" + t + ".Guid) in (" +
           flowInfo->GetAuditUserListSql(auditor, shape.flowKinds, condition) + " union select guid from " + t +
           " where strauditorid=" + db::quoteLiteral(auditor) + ")";
  }
  return " and " + t + ".blnAudi=1 and ltrim(" + t + ".Guid) Not in (" +
         flowInfo->GetNotInAuditUserListSql(auditor, shape.flowKinds, condition) + ")";
}

// ---- the ledger list ----

enum class SourceKinds { Loans, Claims, Both };

SourceKinds sourceKindsOf(const std::string& value) {
  if (value.empty()) return SourceKinds::Both;
  if (value[0] == '3') return SourceKinds::Loans;
  if (value[0] == '1' || value[0] == '2') return SourceKinds::Claims;
  return SourceKinds::Both;
}

constexpr const char* kLedgerCode =
    "(GL_accvouch.csign + '-' + cast(GL_accvouch.iPeriod As varchar(10)) + '-' + Cast(GL_accvouch.ino_id As "
    "varchar(15)))";

std::string ledgerInner(SourceKinds kinds, LoginContext& ologin) {
  std::string number;
  std::string source;
  std::string guid;
  std::string typeCode;
  if (kinds == SourceKinds::Both) {
    number =
        "KX.strVouchID AS strvouchid,case when GL_ACCVOUCH.cbill is null then kx.strmakerid else "
        "GL_ACCVOUCH.cbill end AS strMakerID,";
    source = " left JOIN (Select PZGUID ,strVouchID ,strMakerID ,strTypeCode,Guid From " +
             GetAuthSource(ologin, "KX_LoanVouch", true) +
             " Union Select PZGUID ,strVouchID ,strMakerID ,strTypeCode,Guid From " +
             GetAuthSource(ologin, "KX_ExpenVouch", true) +
             ") As KX ON GL_accvouch.coutid = KX.Guid left JOIN KX_OperationType ON KX.strTypeCode = "
             "KX_OperationType.strCode";
    guid = "KX.Guid";
  } else {
    const std::string table = kinds == SourceKinds::Loans ? "KX_LoanVouch" : "KX_ExpenVouch";
    number = table + ".strVouchID AS strvouchid," + table + ".strMakerID AS strMakerID,";
    source = " Left JOIN " + GetAuthSource(ologin, table, true) + " ON GL_accvouch.coutid = " + table +
             ".guid Left JOIN KX_OperationType ON " + table + ".strTypeCode = KX_OperationType.strCode";
    guid = table + ".Guid";
  }
  const std::string key =
      "(GL_accvouch.csign+cast(GL_accvouch.iPeriod As varchar(10))+Cast(GL_accvouch.ino_id As "
      "varchar(15))+convert(varchar(100)," +
      guid + ")+convert(varchar(10),GL_accvouch.doutdate,120)+KX_OperationType.strcode)";
  return "Select '' as SelCol, gl_accvouch.ioutyear,GL_accvouch.doutdate AS dtDate,KX_OperationType.strName AS "
         "strtypename,KX_OperationType.strcode AS strtypecode," +
         number + "GL_accvouch.dbill_date AS dtbilldate, " + kLedgerCode +
         " AS strpzcode,GL_accvouch.iflag AS iflag,GL_accvouch.isignseq as strpztypeid,"
         "GL_accvouch.isignseq, GL_accvouch.csign,GL_accvouch.ino_id ,GL_accvouch.ibook as ibook "
         ",gl_accvouch.coutno_id as pzguid,KX_OperationType.strCode," +
         guid + " as guid," + key +
         " as autoid from (select * From GL_accvouch Where coutsysname = 'kx') As GL_accvouch" + source;
}

std::string ledgerSelect() {
  return "kx_pz.SelCol,convert(varchar(10),kx_pz.dtDate,120) as dtDate,kx_pz.strtypename,kx_pz.strvouchid,"
         "kx_pz.strMakerID,convert(varchar(10),kx_pz.dtbilldate,120) as dtbilldate,kx_pz.strpzcode,(case when "
         "isnull(kx_pz.iflag,0) = 1 then " +
         db::quoteLiteral(GetResString("Z7.Corvane.Web.0744")) + " when isnull(kx_pz.iflag,0) = 2 then " +
         db::quoteLiteral(GetResString("Z7.Corvane.0301")) + " when isnull(kx_pz.ibook,0)=1 then " +
         db::quoteLiteral(GetResString("Z7.Corvane.0386")) +
         " end) as iflag,guid,strtypecode,isignseq,ino_id,csign,pzguid";
}

// ---- the payable and postable lists ----

struct LineSource {
  const char* headTable;
  const char* lineTable;
  const char* link;  // the line's column holding its voucher's GUID
  const char* bankCondition;
};

const LineSource kLoanLines{"kx_loanvouch", "kx_loanvouch_sub", "mguid",
                            " and isnull(kx_vchs.strPayBankID,'') <> '' and isnull(kx_vchs.strBankName,'') <> '' and "
                            "isnull(kx_vchs.strBankAcc,'') <> ''"};
const LineSource kClaimLines{"kx_expenvouch", "kx_balanceinfo", "expenguid",
                             " and isnull(kx_vchs.strPayBankID,'') <> '' and isnull(kx_vchs.strRecBank,'') <> '' and "
                             "isnull(kx_vchs.strRecAcc,'') <> ''"};

constexpr const char* kPayableSelect =
    "'' as SelCol,KX_OperationType.strname as strtypename,kx_vch.strvouchid as strvouchid,"
    "convert(varchar(10),kx_vch.dtloandate,120) as dtloandate,kx_vch.strused as strused,"
    "fitem.citem_name as stritemclassname,fitems.citemname as stritemname,department.cdepname as strdepartname,"
    "personloan.cpersonname as strloanname,settlestyle.cssname as strbalancename,kx_vch.strbill as strbill,"
    "kx_vchs.dblmoney as dblmoney,kx_vch.strpersonid as strpersonid,kx_vch.strauditorid as strauditorid,"
    "kx_vchs.autoid as autoid,kx_vchs.guid as guid,kx_vch.strtypecode as strtypecode,kx_vch.strdepartid as "
    "strdepartid,kx_vch.strloanid as strloanid,kx_vch.strbuditemid as strbuditemid,kx_vch.stritemclassid as "
    "stritemclassid,kx_vch.stritemid as stritemid,kx_vchs.strbalanceid as strbalanceid,kx_vchs.strpayid";

constexpr const char* kHeadColumns =
    "strvouchid,dtloandate,strbill,dblmoney,strused,strpersonid,strauditorid,strmakerid,ts,"
    "autoid,guid,strtypecode,strdepartid,strloanid,strbuditemid,stritemclassid,stritemid,pzguid";

constexpr const char* kPostableSelect =
    "'' as SelCol,KX_OperationType.strname as strtypename,kx_vch.strvouchid as strvouchid,"
    "convert(varchar(10),kx_vch.dtloandate,120) as dtloandate,department.cdepname as strdepartname,"
    "personloan.cpersonname as strloanname,fitem.citem_name as stritemclassname,fitems.citemname as stritemname,"
    "kx_vch.strbill as strbill,kx_vch.dblmoney as dblmoney,kx_vch.strused as strused,kx_vch.strpersonid as "
    "strpersonid,kx_vch.strauditorid as strauditorid,(case when gl_accvouch.csign + '-' + cast(gl_accvouch.iperiod "
    "as varchar(10)) + '-' + cast(gl_accvouch.ino_id as varchar(30)) = '--' then '' else gl_accvouch.csign + '-' + "
    "cast(gl_accvouch.iperiod as varchar(10)) + '-' + cast(gl_accvouch.ino_id as varchar(30)) end) as strpzid,"
    "kx_vch.autoid as autoid,kx_vch.guid as guid,kx_vch.strtypecode as strtypecode,kx_vch.strdepartid as "
    "strdepartid,kx_vch.strloanid as strloanid,kx_vch.stritemclassid as stritemclassid,kx_vch.stritemid as "
    "stritemid,kx_vch.pzguid as pzguid,Cast(kx_vch.ts As money) as ts";

enum class PostableKinds { Loans, Claims, Both };

PostableKinds postableKindsOf(const std::string& value) {
  if (value == "3") return PostableKinds::Loans;
  if (value == "1" || value == "2") return PostableKinds::Claims;
  return PostableKinds::Both;
}

constexpr const char* kLoanCandidates = " where IsNull(blnBegin ,0)= 0 And blnAllBill = 0";
constexpr const char* kClaimCandidates = " where isnull(strVerifier,'')<>''";

std::string candidates(PostableKinds kinds, LoginContext& ologin) {
  const std::string columns = std::string("select ") + kHeadColumns + " from ";
  const std::string loans = columns + GetAuthSource(ologin, "kx_loanvouch", true) + kLoanCandidates;
  const std::string claims = columns + GetAuthSource(ologin, "kx_expenvouch", true) + kClaimCandidates;
  if (kinds == PostableKinds::Loans) return "(" + loans + ")kx_vch";
  if (kinds == PostableKinds::Claims) return "(" + claims + " )kx_vch";
  return "((" + loans + ") union(" + claims + "))kx_vch";
}

std::string excluded(PostableKinds kinds, const std::string& lineCondition) {
  const std::string loans =
      "select distinct kx_vch.guid from kx_loanvouch kx_vch left join kx_loanvouch_sub kx_vchs on "
      "kx_vchs.mguid=kx_vch.guid where isnull(kx_vch.blnbegin ,0) = 0 and not(" +
      lineCondition + ")";
  const std::string claims =
      "select distinct kx_vch.guid from kx_expenvouch kx_vch left join kx_balanceinfo kx_vchs on "
      "kx_vchs.expenguid=kx_vch.guid where not(" +
      lineCondition + ")";
  if (kinds == PostableKinds::Loans) return loans;
  if (kinds == PostableKinds::Claims) return claims;
  return "(" + loans + ")union(" + claims + ")";
}

}  // namespace

PagedQuery ApprovalListQuery(VoucherKind kind, LoginContext& ologin, db::Connection& connection, const XmlNode& func) {
  const ApprovalListShape& shape = shapeOf(kind);
  const std::string t = shape.table;
  const std::string heads = GetAuthSource(ologin, t, true);
  PagedQuery query;
  query.select = approvalSelect(shape);
  if (conditionsOnlyOn(func, {t})) {
    query.keyFrom = heads;
    query.keyUnique = true;
  }
  query.from = heads + nameJoins(t) + " left join BG_Item on " + t + ".strbuditemid=BG_Item.cItemCode" +
               itemJoins(t, itemTable(func, connection));
  query.where = conditionWhere(func) + approvalFilter(shape, func, ologin);
  query.key = t + ".autoid";
  return query;
}

PagedQuery LoanAlertQuery(LoginContext& ologin, db::Connection& connection, const XmlNode& func) {
  const std::string t = "kx_loanvouch";
  const std::string heads = GetAuthSource(ologin, t, true);
  PagedQuery query;
  query.select =
      "KX_OperationType.strname as strtypename,(case when isnull(kx_loanvouch.blnBegin,0) = 1 then "
      "kx_loanvouch.strvouchid + '*' else kx_loanvouch.strvouchid end) as strvouchid,"
      "convert(varchar(10),kx_loanvouch.dtloandate,120)as dtloandate,kx_loanvouch.strused as strused,"
      "department.cdepname as strdepartname,personloan.cpersonname as strloanname,"
      "convert(varchar(10),kx_loanvouch.dtexpdate,120)as dtexpdate,BG_Item.cItemName as strbuditemname,"
      "kx_loanvouch.strbill as strbill,kx_loanvouch.dblmoney as dblmoney,"
      "(isnull(kx_loanvouch.dblmoney,0)-isnull(kx_loanvouch.dblreturn,0)) as dbllack,"
      "fitem.citem_name as stritemclassname,fitems.citemname as stritemname,kx_loanvouch.autoid as autoid,"
      "kx_loanvouch.guid as guid,kx_loanvouch.strtypecode as strtypecode,kx_loanvouch.strdepartid as strdepartid,"
      "kx_loanvouch.strloanid as strloanid,kx_loanvouch.strbuditemid as strbuditemid,"
      "kx_loanvouch.stritemclassid as stritemclassid,kx_loanvouch.stritemid as stritemid";
  if (conditionsOnlyOn(func, {t})) {
    query.keyFrom = heads;
    query.keyUnique = true;
  }
  query.from = heads + nameJoins(t) + " left join BG_Item on " + t + ".strbuditemid=BG_Item.cItemCode" +
               itemJoins(t, itemTable(func, connection));
  query.where = conditionWhere(func);
  query.key = t + ".autoid";
  return query;
}

PagedQuery LedgerListQuery(LoginContext& ologin, const XmlNode& func) {
  const SourceKinds kinds = sourceKindsOf(GetAttrValue(func, "value", "in/cond/row[@name='strtypecode']"));
  PagedQuery query;
  query.select = ledgerSelect();
  query.from = "( " + ledgerInner(kinds, ologin) + ") kx_pz";
  // Ledger rows whose source voucher the user may not see (or of the other kind) are not listed.
  query.where =
      conditionWhere(func) + " and ioutyear=" + db::quoteLiteral(ologin.LoginYear()) + " and guid is not null ";
  query.key = "autoid";
  query.keyKind = KeyKind::Text;
  query.order = "strpzcode,guid,strtypecode,isignseq";
  query.dropMidnight = true;
  return query;
}

PagedQuery PayableLineListQuery(LoginContext& ologin, db::Connection& connection, const XmlNode& func) {
  const XmlNode typeRow = func.selectSingleNode("in/cond/row[@name='strtypeclasscode']");
  if (!typeRow || !typeRow.hasAttribute("value")) {
    raiseObjectMissing();
  }
  const LineSource& lines = typeRow.attribute("value") == "3" ? kLoanLines : kClaimLines;
  std::string where = conditionWhere(func) + " and kx_vch.dblmoney > 0";
  if (&lines == &kClaimLines) where += " and isnull(kx_vch.strverifier,'') <>'' ";
  // Only the lines of approved vouchers may be paid.
  where += " and isnull(kx_vch.strauditorid,'')<>''";
  const std::string linesAndHeads = std::string(lines.lineTable) + " kx_vchs left join " +
                                    GetAuthSource(ologin, lines.headTable, false) + " kx_vch on kx_vchs." + lines.link +
                                    "=kx_vch.guid";
  PagedQuery query;
  query.select = kPayableSelect;
  if (conditionsOnlyOn(func, {"kx_vch", "kx_vchs"})) {
    query.keyFrom = linesAndHeads;
    query.keyUnique = true;  // one head per line
  }
  query.from = linesAndHeads + nameJoins("kx_vch") + itemJoins("kx_vch", itemTable(func, connection)) +
               " left join settlestyle on kx_vchs.strbalanceid=settlestyle.csscode";
  query.where = where + lines.bankCondition;
  query.key = "kx_vchs.autoid";
  return query;
}

PagedQuery PostableVoucherListQuery(LoginContext& ologin, db::Connection& connection, const XmlNode& func) {
  const PostableKinds kinds = postableKindsOf(GetAttrValue(func, "value", "in/cond/row[@name='strtypeclasscode']"));
  const std::string lineCondition =
      conditionWhere(func) +
      " and isnull(kx_vch.strauditorid,'')<>'' and ((isnull(strpayid,'')='' and isnull(blnnetok,0)=0)or"
      "(isnull(strpayid,'')<>'' and isnull(blnnetok,0)=1))";
  const std::string table = candidates(kinds, ologin);
  PagedQuery query;
  query.select = kPostableSelect;
  query.keyFrom = table;
  query.keyUnique = true;  // one candidate per voucher
  query.from = table + nameJoins("kx_vch") + itemJoins("kx_vch", itemTable(func, connection)) +
               " left join gl_accvouch on gl_accvouch.coutno_id = kx_vch.PZGUID";
  query.where = "kx_vch.guid not in(" + excluded(kinds, lineCondition) + ")";
  query.key = "kx_vch.guid";
  query.keyKind = KeyKind::Text;
  query.order = "guid,strpzid";
  return query;
}

}  // namespace corvane
