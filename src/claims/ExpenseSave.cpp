#include "claims/ExpenseSave.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "claims/CExpense.h"
#include "claims/ExpenseStandardCheck.h"
#include "core/CPubMsg.h"
#include "core/ErrorReply.h"
#include "core/Messages.h"
#include "core/RequestFrame.h"
#include "core/RowVersion.h"
#include "core/SqlText.h"
#include "core/TempTables.h"
#include "core/Values.h"
#include "host/ApprovalFlow.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherSave.h"
#include "vouchers/VoucherSubmission.h"

namespace corvane {

namespace {

using namespace voucher;

constexpr std::string_view kFlowScope = "11";

// Busy or broken databases answer message 0159; a taken number refused by the unique index and
// an overflow answer the save's own messages.
std::string saveFailureText(const RuntimeError& error) {
  const std::string text = VoucherFailureText(error);
  if (text.find("IX_KX_ExpenVouch") != std::string::npos) return GetResString("Z7.Corvane.0236");
  if (text.find("overflow error") != std::string::npos) return GetResString("Z7.Corvane.0377");
  return text;
}

std::string lineNumber(std::size_t n) { return "(" + std::to_string(n) + ")"; }

struct ClaimRequest {
  XmlNode head;
  XmlNode row;
  XmlNode body;
  bool submitOnSave = false;
  bool existing = false;
  std::string guid;
  char kind = 0;  // first character of strTypeCode: '1' income, '2' expense
};

bool submitsOnSave(FuncCall& call) {
  const db::Recordset option =
      openSql(call, "select cvalue from accinformation where csysid = 'kx' and cid = '105'");
  if (option.eof()) raiseMessage("Z7.Corvane.0210");
  return equalsTrue(NullToStr(option.field(0).value()));
}

ClaimRequest readRequest(FuncCall& call) {
  ClaimRequest request;
  request.submitOnSave = submitsOnSave(call);
  request.head = call.oNode.selectSingleNode("in/xml/head");
  request.row = request.head ? request.head.selectSingleNode("z:row") : XmlNode();
  request.body = call.oNode.selectSingleNode("in/xml/body");
  if (!request.row || !request.body) raiseMissing();
  request.existing = given(request.row, "GUID");
  request.guid = request.existing ? request.row.attribute("GUID") : GetNewGuid(call.CN);
  const std::string type = request.row.attribute("strTypeCode");
  request.kind = type.empty() ? 0 : type.front();
  return request;
}

void checkDepartmentAndClaimant(FuncCall& call, const XmlNode& row) {
  requirePresent(row, "strDepartID", "Z7.Corvane.0214");
  const db::Recordset department =
      requireRecord(call, "SELECT cDepCode, bDepEnd FROM Department Where cDepCode = " +
                              db::quoteLiteral(row.attribute("strDepartID")),
                    "Z7.Corvane.0215");
  const Variant leaf = department.field("bDepEnd").value();
  if (!leaf.isNull() && !CBool(leaf)) raiseMessage("Z7.Corvane.0216");
  requirePresent(row, "strLoanID", "Z7.Corvane.0276");
  requireRecord(call, "SELECT cPersonCode, cDepCode FROM Person Where cPersonCode = " +
                          db::quoteLiteral(row.attribute("strLoanID")),
                "Z7.Corvane.0277");
}

void checkHead(FuncCall& call, const XmlNode& row) {
  requirePresent(row, "strTypeCode", "Z7.Corvane.0011");
  requirePresent(row, "strVouchID", "Z7.Corvane.0211");
  requirePresent(row, "dtLoanDate", "Z7.Corvane.0212");
  requirePresent(row, "strUsed", "Z7.Corvane.0275");
  if (!IsDate(Variant(removeMidnight(row.attribute("dtLoanDate"))))) raiseMessage("Z7.Corvane.0213");
  checkDepartmentAndClaimant(call, row);
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

// The state guards of a stored claim, read at the row version the client saw.
void guardStoredClaim(FuncCall& call, const ClaimRequest& request, const RowVersion& version) {
  const std::string guid = db::quoteLiteral(request.guid);
  const db::Recordset stored = requireRecord(
      call, "Select intBudPass,strAuditorID,blnaudi From KX_ExpenVouch Where GUID = " + guid + " And " +
                version.condition(),
      "Z7.Corvane.0243");
  if (NullToStr(stored.field("intBudPass").value()) == "1") raiseMessage("Z7.Corvane.0244");
  if (flagSet(stored.field("blnaudi").value())) raiseMessage("Z7.Corvane.0246");
  if (request.submitOnSave && !NullToStr(stored.field("strAuditorID").value()).empty()) {
    raiseMessage("Z7.Corvane.0245");
  }
  for (const char* table : {"KX_BalanceInfo", "KX_ExpenLoanInfo"}) {
    if (!openSql(call, std::string("select top 1 * from ") + table + " where ExpenGUID=" + guid).eof()) {
      raiseMessage("Z7.Corvane.0332");
    }
  }
}

// The data columns of the head from strTypeCode to strPersonID, in the order of the statements.
Assignments dataColumns(const XmlNode& row, const std::string& voucherNumber) {
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
                         {"strUsed", textValue(row, "strUsed")},
                         {"strPersonID", textValue(row, "strPersonID")}};
  columns.insert(columns.end(), rest.begin(), rest.end());
  return columns;
}

std::string submitFlag(const ClaimRequest& request) { return request.submitOnSave ? "1" : "0"; }

std::string insertStatement(const ClaimRequest& request, const std::string& voucherNumber) {
  const Assignments data = dataColumns(request.row, voucherNumber);
  const Assignments defines = defineColumns(request.row, 1, 16);
  return "Insert Into KX_ExpenVouch (GUID," + names(data) + ",blnAudi,intOverBud," + names(defines) +
         ") Values (" + db::quoteLiteral(request.guid) + "," + values(data) + "," + submitFlag(request) + ",-1," +
         values(defines) + ")";
}

std::string updateStatement(const ClaimRequest& request, const RowVersion& version) {
  const Assignments data = dataColumns(request.row, request.row.attribute("strVouchID"));
  return "Update KX_ExpenVouch Set intBudPass = 0 ,intOverBud = -1 ,blnaudi = " + submitFlag(request) +
         ",strOverPerson = null ,strOverDate = null ,strOverDesc = null, " + assignments(data) + "," +
         assignments(defineColumns(request.row, 1, 16)) + " Where GUID = " + db::quoteLiteral(request.guid) + " And " +
         version.condition();
}

bool numberTaken(FuncCall& call, const ClaimRequest& request, const std::string& number) {
  return !openSql(call, "Select strVouchID From KX_ExpenVouch Where strVouchID = " + db::quoteLiteral(number) +
                            " And left(strTypeCode,1) = " + db::quoteLiteral(std::string(1, request.kind)))
              .eof();
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

// Raises 0236 when the card's numbers are typed by hand; a format without its two flags is
// broken.
void requireDrawnNumbers(const XmlDocument& format) {
  const XmlNode numbering = format.selectSingleNode("//单据编号");
  if (!numbering) raiseMissing();
  const std::string typedByHand = required(numbering, "允许手工修改");
  required(numbering, "重号自动重取");
  if (equalsTrue(typedByHand)) raiseMessage("Z7.Corvane.0236");
}

// The client's number while it is free, else a drawn one; nothing when the numbering failed with
// its own reply.
std::optional<std::string> freeVoucherNumber(FuncCall& call, const ClaimRequest& request) {
  const std::string card = request.kind == '1' ? "KX02" : "KX03";
  std::string number = request.row.attribute("strVouchID");
  for (int draws = 0; numberTaken(call, request, number);) {
    if (!askNumbering(call, &CPubMsg::VchNoFormatGet, "<a><in><type>" + card + "</type></in><out/></a>")) {
      return std::nullopt;
    }
    requireDrawnNumbers(call.oXml);
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

// The approval-flow bill type of the claim's kind: "46" income, "47" expense.
std::string flowBillType(char kind) {
  if (kind == '1') return "46";
  if (kind == '2') return "47";
  return "";
}

void checkFlowAllowsChange(FuncCall& call, const ClaimRequest& request, ApprovalFlowServer& flow) {
  const std::string type = flowBillType(request.kind), scope(kFlowScope);
  if (flow.IsInFlow(call.CN, type, request.guid, scope) && !flow.AllowChange(call.CN, type, request.guid, scope)) {
    std::string reason;
    flow.LastErrorText(reason);
    raiseMessage("Z7.Corvane.0196", reason);
  }
}

// A line's item must be a leaf of the income and expense items; an empty item is not checked.
void checkLineItem(FuncCall& call, const XmlNode& line, const std::string& n) {
  const std::optional<std::string> item = line.findAttribute("strIOItem");
  if (!item) raiseMessage("Z7.Corvane.0281", n);
  if (item->empty()) return;
  const db::Recordset found =
      openSql(call, "Select blnEnd From KX_IOItem Where strCode = " + db::quoteLiteral(*item));
  if (found.eof()) raiseMessage("Z7.Corvane.0281", n);
  const Variant leaf = found.field("blnEnd").value();
  if (!leaf.isNull() && !CBool(leaf)) raiseMessage("Z7.Corvane.0280", n);
}

// A line over a strict standard stops the save; over a prompting one it adds to the warnings.
void checkLineStandard(FuncCall& call, const ClaimRequest& request, const XmlNode& line, const std::string& n,
                       std::string& warnings) {
  const StandardCheckLine checked{line.attribute("strIOItem"),
                                  request.row.attribute("strDepartID"),
                                  request.row.attribute("strLoanID"),
                                  line.attribute("strEZero"),
                                  line.attribute("strJTTools"),
                                  NullToNum(Variant(line.attribute("dblVouch"))),
                                  NullToNum(Variant(line.attribute("dblMoney"))),
                                  NullToNum(Variant(line.attribute("dblNumber"))),
                                  request.row.attribute("strBill"),
                                  NullToNum(Variant(request.row.attribute("fltRate")))};
  const StandardCheckResult result = CheckExpenseStand(call.CN, checked);
  if (!result.exceeded()) return;
  const std::string finding = GetResString("Z7.Corvane.0279", "", n, result.message);
  if (result.strict) raiseBusiness(finding);
  warnings += finding;
}

// An absent attribute is Null; a present one its S or N value.
std::string lineValue(const XmlNode& line, const char* name, bool number) {
  if (!present(line, name)) return "Null";
  return number ? numberValue(line, name) : textValue(line, name);
}

std::string lineStatement(FuncCall& call, const ClaimRequest& request, const XmlNode& line) {
  struct Column {
    const char* name;
    bool number;
  };
  static constexpr std::array kColumns = {
      Column{"dtBDate", false},   Column{"intBTime", true},    Column{"dtEDate", false},
      Column{"intETime", true},   Column{"strBZero", false},   Column{"strEZero", false},
      Column{"strJTTools", false}, Column{"strIOItem", false}, Column{"dblVouch", true},
      Column{"dblNumber", true},  Column{"dblStand", true},    Column{"dblPer", true},
      Column{"dblMoney", true},   Column{"dblOldMoney", true}, Column{"intAppend", true},
      Column{"strMemo", false}};
  if (line.hasAttribute("dblVouch") && line.attribute("dblVouch").empty() &&
      HasAmountBand(call.CN, line.attribute("strIOItem"), request.row.attribute("strDepartID"))) {
    raiseMessage("Z7.Corvane.0282");
  }
  Assignments columns{{"MGuid", db::quoteLiteral(request.guid)}};
  for (const Column& column : kColumns) columns.emplace_back(column.name, lineValue(line, column.name, column.number));
  for (int n = 22; n <= 37; ++n) {
    const std::string name = "cDefine" + std::to_string(n);
    columns.emplace_back(name, lineValue(line, name.c_str(), isNumberDefine(n)));
  }
  return "Insert Into KX_ExpenVouch_Sub (" + names(columns) + ") Values (" + values(columns) + ")";
}

// The line's claimed amount; the head's total needs every line to carry a number.
Currency lineAmount(const XmlNode& line) {
  const std::optional<std::string> amount = line.findAttribute("dblMoney");
  if (!amount || !IsNumeric(Variant(*amount))) throw RuntimeError(errnum::kTypeMismatch, "Type mismatch");
  return CCur(Variant(*amount));
}

// Inserts the lines, each checked, and totals them into the head. Answers the findings of
// prompting standards, joined.
std::string storeLines(FuncCall& call, const ClaimRequest& request) {
  std::string warnings;
  Currency total;
  const std::vector<XmlNode> lines = request.body.children();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string n = lineNumber(i + 1);
    checkLineItem(call, lines[i], n);
    checkLineStandard(call, request, lines[i], n, warnings);
    const std::string statement = lineStatement(call, request, lines[i]);
    total = total + lineAmount(lines[i]);
    if (executeSql(call, statement) != 1) raiseMessage("Z7.Corvane.0255", n);
  }
  if (!lines.empty()) {
    executeSql(call, "Update KX_ExpenVouch Set dblMoney = " + CStr(Variant(total)) +
                         " Where GUID = " + db::quoteLiteral(request.guid));
  }
  return warnings;
}

// The saved claim becomes the current one, and the request's "getVouchListID" func answers it.
void handOver(CExpense& claim, FuncCall& call, const ClaimRequest& request) {
  const db::Recordset stored = openSql(
      call, "Select AutoID,strTypeCode From KX_ExpenVouch Where GUID = " + db::quoteLiteral(request.guid));
  if (stored.eof()) raiseMessage("Z7.Corvane.0248");
  const std::string autoId = NullToStr(stored.field("AutoID").value());
  const std::string card = CardNumber(NullToStr(stored.field("strTypeCode").value()));
  const XmlNode requests = call.oNode.parent();
  XmlNode listAutoId = requests ? requests.selectSingleNode("func[@name='getVouchListID']/in/strAutoID") : XmlNode();
  if (listAutoId) {
    XmlNode director = requests.selectSingleNode("func[@name='getVouchListID']/in/Director");
    if (!director) raiseMissing();
    listAutoId.setText(autoId);
    director.setText("3");
  }
  claim.AutoID = autoId;
  claim.strCardNum = card;
}

bool saveClaim(CExpense& claim, FuncCall& call, const ExpenseSaveServices& services) {
  const ClaimRequest request = readRequest(call);
  checkHead(call, request.row);
  std::string statement;
  std::string voucherNumber = request.row.attribute("strVouchID");
  if (request.existing) {
    // No stored claim can carry a text that is no row version.
    const RowVersion version = requireRowVersion(required(request.row, "ts"), "Z7.Corvane.0243");
    guardStoredClaim(call, request, version);
    statement = updateStatement(request, version);
  } else {
    const std::optional<std::string> number = freeVoucherNumber(call, request);
    if (!number) return false;
    voucherNumber = *number;
    statement = insertStatement(request, voucherNumber);
  }
  if (executeSql(call, statement) != 1) raiseMessage("Z7.Corvane.0248");
  if (request.existing) executeSql(call, "Delete KX_ExpenVouch_Sub Where MGuid = " + db::quoteLiteral(request.guid));
  const std::unique_ptr<ApprovalFlowServer> flow = services.createFlow();
  flow->SetLogin(call.ologin);
  if (request.existing) checkFlowAllowsChange(call, request, *flow);
  const std::string warnings = storeLines(call, request);
  if (request.submitOnSave) {
    // The flow learns the claim by the number it was stored with, also after a renumbering.
    XmlNode row = request.row;
    row.setAttribute("GUID", request.guid);
    row.setAttribute("strVouchID", voucherNumber);
    if (!services.submit(row)) return false;
  }
  handOver(claim, call, request);
  if (!warnings.empty()) {
    loadReply(call.oXml,
              "<?xml version='1.0' encoding='utf-8'?><message><id>Corvane:CExpend:SaveVouch:ExpenStandard</id><text>" +
                  XmlEncode(warnings) + "</text></message>");
  }
  return true;
}

}  // namespace

bool saveExpenseVoucherWith(CExpense& claim, FuncCall& call, const ExpenseSaveServices& services) {
  return answerAsMember(
      call.oXml, "CExpense", "SaveVouch", [&] { return saveClaim(claim, call, services); }, saveFailureText);
}

bool SaveExpenseVoucher(CExpense& claim, FuncCall& call) {
  return saveExpenseVoucherWith(
      claim, call,
      ExpenseSaveServices{CreateApprovalFlowServer, [&](XmlNode headRow) {
                            return SubmitVoucherToFlow(call.ologin, call.CN, headRow);
                          }});
}

}  // namespace corvane
