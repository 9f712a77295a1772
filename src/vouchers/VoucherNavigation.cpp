#include "vouchers/VoucherNavigation.h"

#include <cstdint>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RequestText.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherRights.h"

namespace corvane {

namespace {

// Raised where a query text was never formed, as opening a command without text does.
constexpr std::int32_t kNoCommandText = static_cast<std::int32_t>(0x80040E0C);

// The rights (VoucherRights) narrow the source; the filters keep the vouchers in entry.
std::string loanFilter(const FuncCall& call, const std::string& submitFlag) {
  const std::string begin = OptionalText(call.oNode, "in/begin");
  if (call.oNode.selectSingleNode("in/begin")) {
    const std::optional<std::string> number = WholeNumber(begin);
    if (!number) raiseTypeMismatch();
    if (*number != "0") {
      return "blnBegin = 1 And GUID in (SELECT DISTINCT MGuid From KX_LoanVouch_Sub WHERE "
             "(dblReturn = 0) AND (blnSettle = 0))";
    }
  }
  return "blnBegin = 0 And blnAudi = " + submitFlag + " And IsNull(strAuditorID,'') = ''";
}

std::string claimFilter(const FuncCall& /*call*/, const std::string& submitFlag) {
  return "blnAudi = " + submitFlag + " And IsNull(strAuditorID,'') = ''";
}

// The AutoID the query answers, or nothing for Null or no row.
std::optional<std::string> autoIdOf(const std::string& sql, db::Connection& CN) {
  const db::Recordset rs = sql::open(CN, sql);
  if (rs.eof() || rs.field(0).value().isNull()) return std::nullopt;
  return CStr(rs.field(0).value());
}

std::string targetQuery(const NavigationKind& kind, const std::string& director, const std::optional<std::string>& id,
                        const std::string& source, const std::string& filter) {
  const std::string from = " From " + source + " Where ";
  if (director == "0") return "Select min(AutoID) as AutoID" + from + filter;
  const bool referenced =
      director == "1" || director == "2" || director == "3" || (director == "-3" && kind.servesNamedVoucher);
  if (referenced && id) {
    if (director == "1") return "Select max(AutoID) as AutoID" + from + filter + " And AutoID < " + *id;
    if (director == "2") return "Select min(AutoID) as AutoID" + from + filter + " And AutoID > " + *id;
    if (director == "3") return "Select min(AutoID) as AutoID" + from + filter + " And AutoID = " + *id;
    return "Select max(AutoID) as AutoID" + from + "AutoID = " + *id;
  }
  if (referenced || director == "-1") return "Select max(AutoID) as AutoID" + from + filter;
  throw RuntimeError(kNoCommandText, "Command text was not set for the command object.");
}

void makeCurrent(const NavigationKind& kind, CurrentVoucher& current, const std::string& autoId) {
  if (kind.keepsCurrentVoucher && !current.AutoID.empty()) return;
  current.AutoID = autoId;
}

// The ids of the list as the record set's XML persistence writes them, rows named `row`.
std::string listRows(const std::string& sql, db::Connection& CN) {
  const db::Recordset rs = sql::open(CN, sql);
  XmlDocument persisted;
  db::saveAsXml(rs, persisted);
  std::string rows;
  for (const XmlNode& row : persisted.documentElement().selectNodes("rs:data/z:row")) {
    std::string text = row.xml();
    for (std::size_t at = text.find("z:row"); at != std::string::npos; at = text.find("z:row", at)) {
      text.replace(at, 5, "row");
    }
    rows += text;
  }
  return rows;
}

void readShowModel(const NavigationKind& kind, db::Connection& CN, const std::string& source, CurrentVoucher& current) {
  const std::string table(kind.headTable);
  const db::Recordset rs =
      sql::open(CN, "SELECT strTypeCode,strShowModel FROM " + source + " Left JOIN KX_OperationType ON " + table +
                        ".strTypeCode = KX_OperationType.strCode Where AutoID = " + current.AutoID);
  if (rs.eof()) return;
  current.strShowModel = NullToStr(rs.field(1).value());
  if (current.strCardNum) *current.strCardNum = CardNumber(NullToStr(rs.field(0).value()));
}

bool navigate(const NavigationKind& kind, FuncCall& call, CurrentVoucher& current) {
  if (current.strCardNum) {
    current.AutoID.clear();
    current.strCardNum->clear();
  }
  const std::string source = VoucherRights(call.ologin, kind.headTable).source();
  const std::string flag = SubmitsOnSave(call.CN) ? "1" : "0";
  const std::string filter = kind.filter(call, flag);
  const std::string director = RequiredText(call.oNode, "in/Director");
  const std::string requested = OptionalText(call.oNode, "in/strAutoID");
  const std::optional<std::string> id = WholeNumber(requested);
  if (!requested.empty() && !id) raiseMessage("Z7.Corvane.0201");

  const std::string from = " From " + source + " Where " + filter;
  std::optional<std::string> target = autoIdOf(targetQuery(kind, director, id, source, filter), call.CN);
  if (!target) target = autoIdOf("Select max(AutoID) as AutoID" + from, call.CN);
  std::string rows;
  if (target) {
    makeCurrent(kind, current, *target);
    rows = listRows("Select " + std::string(kind.listColumns) + from + " Order By AutoID Desc", call.CN);
  }
  if (!current.AutoID.empty()) readShowModel(kind, call.CN, source, current);
  loadReply(call.oXml, "<Rows>" + rows + "</Rows>");
  return true;
}

struct FoundVoucher {
  std::string strTypeCode;
  std::string autoId;
};

// The voucher of the head table with the GUID, when it lies within the user's rights.
std::optional<FoundVoucher> voucherByGuid(const FuncCall& call, std::string_view table, const std::string& guid) {
  const db::Recordset rs =
      sql::open(call.CN, "Select strTypeCode ,AutoID From " + VoucherRights(call.ologin, table).source() +
                             " Where GUID = " + db::quoteLiteral(guid));
  if (rs.eof()) return std::nullopt;
  return FoundVoucher{NullToStr(rs.field(0).value()), CStr(rs.field(1).value())};
}

bool lookUp(FuncCall& call, CurrentVoucher& current) {
  const std::string guid = RequiredText(call.oNode, "in/GUID");
  std::optional<FoundVoucher> found = voucherByGuid(call, kLoanKind.headTable, guid);
  if (!found) found = voucherByGuid(call, kExpenseClaimKind.headTable, guid);
  if (!found) raiseMessage("Z7.Corvane.0257");
  current.AutoID = found->autoId;
  if (current.strCardNum) *current.strCardNum = CardNumber(found->strTypeCode);

  const db::Recordset rs = sql::open(
      call.CN, "Select strShowModel From KX_OperationType Where strCode = " + db::quoteLiteral(found->strTypeCode));
  if (rs.eof()) raiseMessage("Z7.Corvane.0258");
  current.strShowModel = NullToStr(rs.field(0).value());
  loadReply(call.oXml, "<Rows><row AutoID='" + current.AutoID + "' /></Rows>");
  return true;
}

}  // namespace

const NavigationKind kLoanNavigation{"CLoan", "GetVouchListID", "GetVouchByGUID", "KX_LoanVouch", "AutoID", true,
                                     false,   loanFilter};
const NavigationKind kClaimNavigation{
    "CExpense", "GetVoucherListID", "GetVouchByGUID", "KX_ExpenVouch", "AutoID,strTypeCode", false, true, claimFilter};

bool NavigateVouchers(const NavigationKind& kind, FuncCall& call, CurrentVoucher& current) {
  return answerAsMember(
      call.oXml, kind.className, kind.listMember, [&] { return navigate(kind, call, current); }, VoucherFailureText);
}

bool LookUpVoucher(const NavigationKind& kind, FuncCall& call, CurrentVoucher& current) {
  return answerAsMember(
      call.oXml, kind.className, kind.lookupMember, [&] { return lookUp(call, current); }, VoucherFailureText);
}

}  // namespace corvane
