#include "loans/LoanStore.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/CPubMsg.h"
#include "core/ErrorReply.h"
#include "core/Messages.h"
#include "core/QueryBuilders.h"
#include "core/RequestFrame.h"
#include "core/RequestText.h"
#include "core/RowVersion.h"
#include "core/SqlText.h"
#include "core/TempTables.h"
#include "core/Values.h"
#include "host/ApprovalFlow.h"
#include "host/LoginContext.h"
#include "loans/LoanLimits.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherSave.h"

namespace corvane {

namespace {

using namespace voucher;

constexpr std::string_view kLoanFlow = "45";
constexpr std::string_view kFlowScope = "11";
constexpr std::string_view kLoanCard = "KX01";

// Busy or broken databases answer message 0159; texts naming the write-off table or an overflow
// answer the save's own messages.
std::string saveFailureText(const RuntimeError& error) {
  const std::string text = VoucherFailureText(error);
  if (text != error.description()) return text;
  if (text.find("KX_ExpenLoanInfo") != std::string::npos) return GetResString("Z7.Corvane.0256");
  if (text.find("overflow error") != std::string::npos) return GetResString("Z7.Corvane.0377");
  return text;
}

struct LoanRequest {
  XmlNode head;
  XmlNode row;
  XmlNode body;
  bool submitOnSave = false;
  long blnBegin = 0;
  bool existing = false;
  std::string guid;
};

LoanRequest readRequest(FuncCall& call) {
  LoanRequest request;
  request.head = call.oNode.selectSingleNode("in/xml/head");
  if (!request.head) raiseMissing();
  request.row = request.head.selectSingleNode("z:row");
  if (!request.row) raiseMissing();
  request.body = call.oNode.selectSingleNode("in/xml/body");
  const std::string option = GetAccInfo("blnSubmAudit", call.CN, "KX");
  if (option.empty()) raiseMessage("Z7.Corvane.0210");
  request.submitOnSave = equalsTrue(option);
  if (const std::optional<std::string> begin = request.head.findAttribute("blnBegin")) {
    const std::optional<std::string> whole = WholeNumber(*begin);
    if (!whole || whole->size() > 9) throw RuntimeError(errnum::kTypeMismatch, "Type mismatch");
    request.blnBegin = std::stol(*whole);
  }
  request.existing = given(request.row, "GUID");
  request.guid = request.existing ? request.row.attribute("GUID") : GetNewGuid(call.CN);
  return request;
}

void checkHead(FuncCall& call, const XmlNode& row) {
  requirePresent(row, "strTypeCode", "Z7.Corvane.0011");
  requirePresent(row, "strVouchID", "Z7.Corvane.0211");
  requirePresent(row, "dtLoanDate", "Z7.Corvane.0212");
  if (!IsDate(Variant(removeMidnight(row.attribute("dtLoanDate"))))) raiseMessage("Z7.Corvane.0213");
  requirePresent(row, "strDepartID", "Z7.Corvane.0214");
  const db::Recordset department =
      requireRecord(call, "SELECT cDepCode, bDepEnd FROM Department Where cDepCode = " +
                              db::quoteLiteral(row.attribute("strDepartID")),
                    "Z7.Corvane.0215");
  const Variant leaf = department.field("bDepEnd").value();
  if (!leaf.isNull() && !CBool(leaf)) raiseMessage("Z7.Corvane.0216");
  requirePresent(row, "strLoanID", "Z7.Corvane.0217");
  requireRecord(call, "SELECT cPersonCode, cDepCode FROM Person Where cPersonCode = " +
                          db::quoteLiteral(row.attribute("strLoanID")),
                "Z7.Corvane.0218");
  checkItem(call, row);
  requirePresent(row, "strBill", "Z7.Corvane.0221");
  requireRecord(call, "SELECT cexch_name FROM foreigncurrency Where cexch_name = " +
                          db::quoteLiteral(row.attribute("strBill")),
                "Z7.Corvane.0222");
  requirePresent(row, "fltRate", "Z7.Corvane.0223");
  const Variant rate(row.attribute("fltRate"));
  if (!IsNumeric(rate)) raiseMessage("Z7.Corvane.0224");
  if (!(NullToNum(rate) > 0)) raiseMessage("Z7.Corvane.0225");
  requirePresent(row, "dblMoney", "Z7.Corvane.0226");
  requirePresent(row, "dblOldMoney", "Z7.Corvane.0227");
  requirePresent(row, "strPersonID", "Z7.Corvane.0228");
  requireRecord(call, "SELECT cUser_Name FROM VqSystem.dbo.UA_User Where cUser_Name = " +
                          db::quoteLiteral(row.attribute("strPersonID")),
                "Z7.Corvane.0229");
}

// The hard limits of the borrower; an opening-balance loan is never limited.
void checkLoanLimits(FuncCall& call, const LoanRequest& request) {
  const std::string borrower = request.row.attribute("strLoanID");
  const std::optional<PersonLoanLimits> limits = readLoanLimits(call.CN, borrower);
  if (!limits || !(limits->days.hard() || limits->count.hard() || limits->amount.hard())) return;
  const OpenLoans open = readOpenLoans(call.CN, call.ologin, borrower, request.guid);
  if (limits->days.hard()) {
    const double own = static_cast<double>(voucherAgeInDays(call.ologin, request.row.attribute("dtLoanDate")));
    const double oldest = open.oldestDays.isNull() ? own : CDbl(open.oldestDays);
    const double days = oldest > own ? oldest : own;
    if (limitValue(limits->days) < days) {
      raiseMessage("Z7.Corvane.0231", NullToStr(limits->days.value), NullToStr(open.oldestDays));
    }
  }
  if (limits->count.hard() && limitValue(limits->count) < open.count + 1) {
    raiseMessage("Z7.Corvane.0232", NullToStr(limits->count.value), CStr(Variant::dbl(open.count)));
  }
  if (limits->amount.hard() &&
      limitValue(limits->amount) < open.owed + NullToNum(Variant(request.row.attribute("dblOldMoney")))) {
    raiseMessage("Z7.Corvane.0234", NullToStr(limits->amount.value), twoDecimals(open.owed));
  }
}

// The state guards of a stored voucher.
void guardStoredVoucher(FuncCall& call, const LoanRequest& request) {
  const std::string guid = db::quoteLiteral(request.guid);
  const db::Recordset stored = requireRecord(
      call, "Select intBudPass,blnAudi,strAuditorID,blnBegin From KX_LoanVouch Where GUID = " + guid,
      "Z7.Corvane.0243");
  if (NullToNum(stored.field("intBudPass").value()) == 1) raiseMessage("Z7.Corvane.0244");
  const Variant begin = stored.field("blnBegin").value();
  if (begin.isNull() || CBool(begin)) {
    const db::Recordset writeOff = openSql(
        call, "Select Top 1 * From KX_ExpenLoanInfo Where LoanSubguid In (Select GUID From KX_LoanVouch_Sub "
              "Where MGUID = " + guid + ")");
    if (!writeOff.eof()) raiseMessage("Z7.Corvane.0247");
    return;
  }
  if (request.submitOnSave) {
    if (!NullToStr(stored.field("strAuditorID").value()).empty()) raiseMessage("Z7.Corvane.0245");
  } else if (flagSet(stored.field("blnAudi").value())) {
    raiseMessage("Z7.Corvane.0246");
  }
}

// The data columns of the head from strTypeCode to strPersonID, in the order of the statements.
Assignments dataColumns(const XmlNode& row, const std::string& voucherNumber) {
  const std::string expiry = row.attribute("dtExpDate");
  Assignments columns{{"strTypeCode", textValue(row, "strTypeCode")},
                      {"strVouchID", SqlStr(voucherNumber)},
                      {"dtLoanDate", textValue(row, "dtLoanDate")},
                      {"strDepartID", textValue(row, "strDepartID")},
                      {"strLoanID", textValue(row, "strLoanID")},
                      {"strItemClassID", textValue(row, "strItemClassID")},
                      {"strItemID", textValue(row, "strItemID")}};
  for (auto& column : budgetColumns(row)) columns.push_back(std::move(column));
  const Assignments rest{{"strBill", textValue(row, "strBill")},
                         {"fltRate", numberValue(row, "fltRate")},
                         {"dblMoney", numberValue(row, "dblMoney")},
                         {"dblOldMoney", numberValue(row, "dblOldMoney")},
                         {"strUsed", SqlStr(required(row, "strUsed"))},
                         {"dtExpDate", SqlStr(removeMidnight(expiry))},
                         {"strPersonID", textValue(row, "strPersonID")}};
  columns.insert(columns.end(), rest.begin(), rest.end());
  return columns;
}

std::string insertStatement(const LoanRequest& request, const std::string& voucherNumber) {
  const Assignments data = dataColumns(request.row, voucherNumber);
  const Assignments defines = defineColumns(request.row, 1, 16);
  return "Insert Into KX_LoanVouch (GUID," + names(data) + ",blnAudi,blnAllBill,blnBegin,intOverBud," +
         names(defines) + ") Values (" + db::quoteLiteral(request.guid) + "," + values(data) + "," +
         (request.submitOnSave ? "1" : "0") + ",1," + std::to_string(request.blnBegin) + ",-1," +
         values(defines) + ")";
}

std::string updateStatement(const LoanRequest& request) {
  const RowVersion version = requireRowVersion(required(request.row, "ts"), "Z7.Corvane.0248");
  const Assignments data = dataColumns(request.row, request.row.attribute("strVouchID"));
  return std::string("Update KX_LoanVouch Set intBudPass = 0 ,intOverBud = -1 ,blnaudi = ") +
         (request.submitOnSave ? "1" : "0") +
         ",strOverPerson = null ,strOverDate = null ,strOverDesc = null, " + assignments(data) +
         ",blnAllBill = 1, blnBegin = " + std::to_string(request.blnBegin) + "," +
         assignments(defineColumns(request.row, 1, 16)) + " Where GUID = " + db::quoteLiteral(request.guid) + " And " +
         version.condition();
}

bool numberTaken(FuncCall& call, const std::string& number) {
  return !openSql(call, "Select strVouchID From KX_LoanVouch Where strVouchID = " + db::quoteLiteral(number)).eof();
}


// A member of the numbering services on a func element of the save's own making; its answer
// lands in the save's reply document.
bool askNumbering(FuncCall& call, bool (CPubMsg::*member)(FuncCall&), const std::string& request) {
  XmlDocument document;
  loadReply(document, request);
  CPubMsg numbering;
  FuncCall numberingCall{call.ologin, call.CN, document.documentElement(), call.oXml};
  return (numbering.*member)(numberingCall);
}

// The client's number while it is free, else a drawn one; nothing when the numbering failed with
// its own reply.
std::optional<std::string> freeVoucherNumber(FuncCall& call, const LoanRequest& request) {
  std::string number = request.row.attribute("strVouchID");
  for (int draws = 0; numberTaken(call, number);) {
    const std::string card(kLoanCard);
    if (!askNumbering(call, &CPubMsg::VchNoFormatGet, "<a><in><type>" + card + "</type></in><out/></a>")) {
      return std::nullopt;
    }
    for (const XmlNode& part : call.oXml.selectNodes("//单据编号")) {
      if (equalsTrue(part.attribute("允许手工修改"))) raiseMessage("Z7.Corvane.0237");
    }
    if (!askNumbering(call, &CPubMsg::VchNoGet,
                      "<a><in><type>" + card + "</type><true>true</true><voucher type='" + card + "'>" +
                          request.head.xml() + "</voucher></in></a>")) {
      return std::nullopt;
    }
    const XmlNode drawn = call.oXml.selectSingleNode("//vchno");
    number = drawn ? drawn.text() : std::string();
    if (number.empty()) raiseMessage("Z7.Corvane.0108");
    if (++draws > 5) raiseMessage("Z7.Corvane.0239");
  }
  return number;
}

void checkFlowAllowsChange(FuncCall& call, const LoanRequest& request, ApprovalFlowServer& flow) {
  const std::string type(kLoanFlow), scope(kFlowScope);
  if (flow.IsInFlow(call.CN, type, request.guid, scope) && !flow.AllowChange(call.CN, type, request.guid, scope)) {
    std::string reason;
    flow.LastErrorText(reason);
    raiseMessage("Z7.Corvane.0196", reason);
  }
}

struct LineTotals {
  double total = 0;
  int allBill = 1;
};

std::string lineStatement(FuncCall& call, const LoanRequest& request, const XmlNode& line, LineTotals& totals) {
  if (!present(line, "strBalanceID")) raiseMessage("Z7.Corvane.0249");
  const db::Recordset style =
      requireRecord(call, "SELECT bSSEnd, bSSFlag From dbo.SettleStyle WHERE (cSSCode = " +
                              db::quoteLiteral(line.attribute("strBalanceID")) + ")",
                    "Z7.Corvane.0250");
  const Variant leaf = style.field("bSSEnd").value();
  if (!leaf.isNull() && !CBool(leaf)) raiseMessage("Z7.Corvane.0251");
  const bool billSettlement = flagSet(style.field("bSSFlag").value());
  const double amount = NullToNum(Variant(line.attribute("dblMoney")));
  if (amount == 0) {
    if (!given(line, "dblPreMoney")) raiseMessage("Z7.Corvane.0252");
  } else {
    totals.total += amount;
    totals.allBill = 0;
  }
  if (billSettlement && !given(line, "strBillID")) raiseMessage("Z7.Corvane.0253");
  if (given(line, "strPayBankID")) {
    requireRecord(call, "SELECT cBCode From dbo.Bank WHERE (cBCode = " +
                            db::quoteLiteral(line.attribute("strPayBankID")) + ")",
                  "Z7.Corvane.0254");
  }
  const bool noPreMoney = NullToNum(Variant(line.attribute("dblPreMoney"))) == 0;
  const Assignments columns{{"MGuid", db::quoteLiteral(request.guid)},
                            {"strBalanceID", textValue(line, "strBalanceID")},
                            {"dblMoney", billSettlement ? "Null" : numberValue(line, "dblMoney")},
                            {"dblPreMoney", noPreMoney ? "Null" : numberValue(line, "dblPreMoney")},
                            {"strBillID", textValue(line, "strBillID")},
                            {"strPayBankID", textValue(line, "strPayBankID")},
                            {"strBankName", textValue(line, "strBankName")},
                            {"strBankAcc", textValue(line, "strBankAcc")}};
  const Assignments defines = defineColumns(line, 22, 37);
  return "Insert Into KX_LoanVouch_Sub (" + names(columns) + "," + names(defines) + ") Values (" +
         values(columns) + "," + values(defines) + ")";
}

LineTotals storeLines(FuncCall& call, const LoanRequest& request) {
  LineTotals totals;
  const std::vector<XmlNode> lines = request.body ? request.body.children() : std::vector<XmlNode>();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (executeSql(call, lineStatement(call, request, lines[i], totals)) != 1) {
      raiseMessage("Z7.Corvane.0255", std::to_string(i));
    }
  }
  return totals;
}

void storeTotals(FuncCall& call, const LoanRequest& request, const LineTotals& totals) {
  const std::string amounts = "dblMoney = " + CStr(Variant::dbl(totals.total)) +
                              ", blnAllBill = " + std::to_string(totals.allBill);
  const std::string user = db::quoteLiteral(call.ologin.UserName());
  executeSql(call, (request.blnBegin == 1
                        ? "Update KX_LoanVouch Set blnAudi = 1,strAuditorID = " + user + ",strMakerID = " + user +
                              "," + amounts
                        : "Update KX_LoanVouch Set " + amounts) +
                       " Where GUID = " + db::quoteLiteral(request.guid));
}

// The request's "getVouchListID" func answers with the stored voucher.
void handOver(FuncCall& call, const LoanRequest& request) {
  const db::Recordset stored =
      openSql(call, "Select AutoID From KX_LoanVouch Where GUID = " + db::quoteLiteral(request.guid));
  if (stored.eof()) return;
  const XmlNode requests = call.oNode.parent();
  XmlNode autoId = requests ? requests.selectSingleNode("func[@name='getVouchListID']/in/strAutoID") : XmlNode();
  if (!autoId) return;
  XmlNode director = requests.selectSingleNode("func[@name='getVouchListID']/in/Director");
  if (!director) raiseMissing();
  autoId.setText(NullToStr(stored.field("AutoID").value()));
  director.setText("3");
}

bool saveLoanVoucher(FuncCall& call, const LoanSaveServices& services) {
  LoanRequest request = readRequest(call);
  checkHead(call, request.row);
  if (request.blnBegin != 1) checkLoanLimits(call, request);
  std::string statement;
  if (request.existing) {
    guardStoredVoucher(call, request);
    statement = updateStatement(request);
  } else {
    const std::optional<std::string> number = freeVoucherNumber(call, request);
    if (!number) return false;
    statement = insertStatement(request, *number);
  }
  if (executeSql(call, statement) != 1) raiseMessage("Z7.Corvane.0248");
  if (request.existing) executeSql(call, "Delete KX_LoanVouch_Sub Where MGuid = " + db::quoteLiteral(request.guid));
  const std::unique_ptr<ApprovalFlowServer> flow = services.createFlow();
  flow->SetLogin(call.ologin);
  if (request.existing) checkFlowAllowsChange(call, request, *flow);
  storeTotals(call, request, storeLines(call, request));
  if (request.submitOnSave && request.blnBegin != 1) {
    request.row.setAttribute("GUID", request.guid);
    if (!services.submit(request.row)) return false;
  }
  handOver(call, request);
  return true;
}

}  // namespace

bool saveLoanVoucherWith(FuncCall& call, const LoanSaveServices& services) {
  return answerAsMember(
      call.oXml, "CLoan", "SaveVouch", [&] { return saveLoanVoucher(call, services); }, saveFailureText);
}

}  // namespace corvane
