#include "vouchers/VoucherSavePipeline.h"

#include <optional>
#include <string>
#include <vector>

#include "host/ApprovalFlow.h"
#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/TempTables.h"
#include "request/Values.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherNumbers.h"
#include "vouchers/VoucherRights.h"

namespace corvane {

namespace {

using namespace voucher;

constexpr std::string_view kFlowScope = "11";

// An arithmetic overflow of the database answers message 0377; busy or broken databases answer
// message 0159; texts naming one of the kind's constraints answer the save's own messages.
std::string saveFailureText(const VoucherSaveRules& rules, const RuntimeError& error) {
  if (error.number() == errnum::kDbOverflow) return GetResString("Z7.Corvane.0377");
  return constraintText(VoucherFailureText(error), rules.constraints);
}

VoucherSaveRequest readRequest(FuncCall& call, VoucherSaveSteps& steps) {
  VoucherSaveRequest request;
  request.submitOnSave = SubmitsOnSave(call.CN);
  request.head = call.oNode.selectSingleNode("in/xml/head");
  request.row = request.head ? request.head.selectSingleNode("z:row") : XmlNode();
  request.body = call.oNode.selectSingleNode("in/xml/body");
  if (!request.row || !request.body) raiseObjectMissing();
  steps.readHeadElement(request.head);
  request.existing = given(request.row, "GUID");
  request.guid = request.existing ? request.row.attribute("GUID") : GetNewGuid(call.CN);
  request.kind = &steps.kindOf(request.row);
  request.number = request.row.attribute("strVouchID");
  return request;
}

void checkDepartment(FuncCall& call, const XmlNode& row) {
  requirePresent(row, "strDepartID", "Z7.Corvane.0214");
  const db::Recordset department = requireRecord(
      call,
      "SELECT cDepCode, bDepEnd FROM Department Where cDepCode = " + db::quoteLiteral(row.attribute("strDepartID")),
      "Z7.Corvane.0215");
  const Variant leaf = department.field("bDepEnd").value();
  if (!leaf.isNull() && !CBool(leaf)) raiseMessage("Z7.Corvane.0216");
}

void checkRate(const XmlNode& row) {
  requirePresent(row, "fltRate", "Z7.Corvane.0223");
  const Variant rate(row.attribute("fltRate"));
  if (!IsNumeric(rate)) raiseMessage("Z7.Corvane.0224");
  if (!(NullToNum(rate) > 0)) raiseMessage("Z7.Corvane.0225");
}

// The head's values against the master data, in the order the form expects its messages.
void checkHead(FuncCall& call, const XmlNode& row, const VoucherSaveRules& rules) {
  requirePresent(row, "strTypeCode", "Z7.Corvane.0011");
  requirePresent(row, "strVouchID", "Z7.Corvane.0211");
  requirePresent(row, "dtLoanDate", "Z7.Corvane.0212");
  if (rules.usedMissing) requirePresent(row, "strUsed", rules.usedMissing);
  if (!IsDate(Variant(removeMidnight(row.attribute("dtLoanDate"))))) raiseMessage("Z7.Corvane.0213");
  checkDepartment(call, row);
  requirePresent(row, "strLoanID", rules.claimantMissing);
  requireRecord(
      call,
      "SELECT cPersonCode, cDepCode FROM Person Where cPersonCode = " + db::quoteLiteral(row.attribute("strLoanID")),
      rules.claimantUnknown);
  checkItem(call, row);
  requirePresent(row, "strBill", "Z7.Corvane.0221");
  requireRecord(
      call, "SELECT cexch_name FROM foreigncurrency Where cexch_name = " + db::quoteLiteral(row.attribute("strBill")),
      "Z7.Corvane.0222");
  checkRate(row);
  requirePresent(row, "dblMoney", "Z7.Corvane.0226");
  requirePresent(row, "dblOldMoney", "Z7.Corvane.0227");
  requirePresent(row, "strPersonID", "Z7.Corvane.0228");
  requireRecord(call,
                "SELECT cUser_Name FROM VqSystem.dbo.UA_User Where cUser_Name = " +
                    db::quoteLiteral(row.attribute("strPersonID")),
                "Z7.Corvane.0229");
}

// The data columns of the head from strTypeCode to strPersonID, in the order of the statements.
Assignments dataColumns(const VoucherSaveRequest& request, const VoucherSaveRules& rules) {
  const XmlNode& row = request.row;
  Assignments columns{
      {"strTypeCode", textValue(row, "strTypeCode")}, {"strVouchID", SqlStr(request.number)},
      {"dtLoanDate", textValue(row, "dtLoanDate")},   {"strDepartID", textValue(row, "strDepartID")},
      {"strLoanID", textValue(row, "strLoanID")},     {"strItemClassID", textValue(row, "strItemClassID")},
      {"strItemID", textValue(row, "strItemID")}};
  for (auto& column : budgetColumns(row)) columns.push_back(std::move(column));
  const Assignments rest{{"strBill", textValue(row, "strBill")},
                         {"fltRate", numberValue(row, "fltRate")},
                         {"dblMoney", numberValue(row, "dblMoney")},
                         {"dblOldMoney", numberValue(row, "dblOldMoney")},
                         {"strUsed", SqlStr(required(row, "strUsed"))}};
  columns.insert(columns.end(), rest.begin(), rest.end());
  if (rules.keepsExpiryDate) columns.emplace_back("dtExpDate", SqlStr(removeMidnight(row.attribute("dtExpDate"))));
  columns.emplace_back("strPersonID", textValue(row, "strPersonID"));
  return columns;
}

std::string submitFlag(const VoucherSaveRequest& request) { return request.submitOnSave ? "1" : "0"; }

std::string insertStatement(const VoucherSaveRequest& request, const VoucherSaveSteps& steps) {
  Assignments columns = dataColumns(request, steps.rules());
  columns.emplace_back("blnAudi", submitFlag(request));
  for (auto& column : steps.stateColumns()) columns.push_back(std::move(column));
  columns.emplace_back("intOverBud", "-1");
  for (auto& column : defineColumns(request.row, 1, 16)) columns.push_back(std::move(column));
  return "Insert Into " + std::string(request.kind->headTable) + " (GUID," + names(columns) + ") Values (" +
         db::quoteLiteral(request.guid) + "," + values(columns) + ")";
}

// The update names the voucher by its GUID and the row version the client read.
std::string updateStatement(const VoucherSaveRequest& request, const VoucherSaveSteps& steps) {
  const RowVersion version = requireRowVersion(required(request.row, "ts"), steps.rules().staleRowVersion);
  Assignments columns = dataColumns(request, steps.rules());
  for (auto& column : steps.stateColumns()) columns.push_back(std::move(column));
  for (auto& column : defineColumns(request.row, 1, 16)) columns.push_back(std::move(column));
  return "Update " + std::string(request.kind->headTable) +
         " Set intBudPass = 0 ,intOverBud = -1 ,blnaudi = " + submitFlag(request) +
         ",strOverPerson = null ,strOverDate = null ,strOverDesc = null, " + assignments(columns) +
         " Where GUID = " + db::quoteLiteral(request.guid) + " And " + version.condition();
}

bool numberTaken(FuncCall& call, const VoucherKind& kind, const std::string& number) {
  std::string sql =
      "Select strVouchID From " + std::string(kind.headTable) + " Where strVouchID = " + db::quoteLiteral(number);
  if (kind.numberScope == NumberScope::SameKind) {
    sql += " And left(strTypeCode,1) = " + db::quoteLiteral(std::string(1, kind.typeCode));
  }
  return sql::exists(call.CN, sql);
}

// A numbering service on a func element of the save's own making; its answer lands in the
// save's reply document.
bool askNumbering(FuncCall& call, bool (*serve)(FuncCall&), const std::string& request) {
  XmlDocument document;
  loadReply(document, request);
  FuncCall numberingCall{call.ologin, call.CN, document.documentElement(), call.oXml};
  return serve(numberingCall);
}

// Raises `typedNumbers` when the card's numbers are typed by hand; a format without its two
// flags is broken.
void requireDrawnNumbers(const XmlDocument& format, const char* typedNumbers) {
  const XmlNode numbering = format.selectSingleNode("//单据编号");
  if (!numbering) raiseObjectMissing();
  const std::string typedByHand = required(numbering, "允许手工修改");
  required(numbering, "重号自动重取");
  if (equalsTrue(typedByHand)) raiseMessage(typedNumbers);
}

// The client's number while it is free, else a drawn one: the client's and five drawn numbers
// are tried. Nothing when the numbering failed with its own reply.
std::optional<std::string> freeVoucherNumber(FuncCall& call, const VoucherSaveRequest& request,
                                             const VoucherSaveRules& rules) {
  const std::string card(request.kind->card);
  std::string number = request.number;
  for (int draws = 0; numberTaken(call, *request.kind, number);) {
    if (!askNumbering(call, ServeNumberFormat, "<a><in><type>" + card + "</type></in><out/></a>")) {
      return std::nullopt;
    }
    requireDrawnNumbers(call.oXml, rules.typedNumbers);
    if (!askNumbering(call, ServeVoucherNumber,
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

void checkFlowAllowsChange(FuncCall& call, const VoucherSaveRequest& request, ApprovalFlowServer& flow) {
  const std::string type(request.kind->flowBillType), scope(kFlowScope);
  if (flow.IsInFlow(call.CN, type, request.guid, scope) && !flow.AllowChange(call.CN, type, request.guid, scope)) {
    std::string reason;
    flow.LastErrorText(reason);
    raiseMessage("Z7.Corvane.0196", reason);
  }
}

// The stored voucher becomes the request's: its "getVouchListID" func answers with it.
void handOver(FuncCall& call, const VoucherSaveRequest& request, VoucherSaveSteps& steps) {
  const db::Recordset stored =
      sql::open(call.CN, "Select AutoID,strTypeCode From " + std::string(request.kind->headTable) +
                             " Where GUID = " + db::quoteLiteral(request.guid));
  if (stored.eof()) raiseMessage("Z7.Corvane.0248");
  const std::string autoId = NullToStr(stored.field("AutoID").value());
  const XmlNode requests = call.oNode.parent();
  XmlNode listAutoId = requests ? requests.selectSingleNode("func[@name='getVouchListID']/in/strAutoID") : XmlNode();
  if (listAutoId) {
    XmlNode director = requests.selectSingleNode("func[@name='getVouchListID']/in/Director");
    if (!director) raiseObjectMissing();
    listAutoId.setText(autoId);
    director.setText("3");
  }
  steps.stored(call, autoId, NullToStr(stored.field("strTypeCode").value()));
}

bool saveVoucher(VoucherSaveSteps& steps, FuncCall& call, const VoucherSaveServices& services) {
  VoucherSaveRequest request = readRequest(call, steps);
  checkHead(call, request.row, steps.rules());
  RequireHeadWithinRights(call.ologin, call.CN, request.row, *request.kind);
  steps.checkRequest(call, request);
  std::string statement;
  if (request.existing) {
    // A stored voucher outside the user's data rights answers as one that does not exist.
    if (!VoucherRights(call.ologin, request.kind->headTable).containsGuid(call.CN, request.guid)) {
      raiseMessage("Z7.Corvane.0243");
    }
    steps.guardStored(call, request);
    statement = updateStatement(request, steps);
  } else {
    const std::optional<std::string> number = freeVoucherNumber(call, request, steps.rules());
    if (!number) return false;
    request.number = *number;
    statement = insertStatement(request, steps);
  }
  if (sql::execute(call.CN, statement) != 1) raiseMessage("Z7.Corvane.0248");
  if (request.existing) {
    sql::execute(call.CN,
                 "Delete " + std::string(request.kind->lineTable) + " Where MGuid = " + db::quoteLiteral(request.guid));
  }
  const std::unique_ptr<ApprovalFlowServer> flow = call.host().approvalFlow();
  flow->SetLogin(call.ologin);
  if (request.existing) checkFlowAllowsChange(call, request, *flow);
  steps.storeLines(call, request);
  if (request.submitOnSave && steps.submittedOnSave()) {
    // The flow learns the voucher by the number it was stored with, also after a renumbering.
    request.row.setAttribute("GUID", request.guid);
    request.row.setAttribute("strVouchID", request.number);
    if (!services.submit(request.row)) return false;
  }
  handOver(call, request, steps);
  return true;
}

}  // namespace

bool SaveVoucherWith(VoucherSaveSteps& steps, FuncCall& call, const VoucherSaveServices& services) {
  return answerAsMember(
      call.oXml, steps.rules().className, "SaveVouch", [&] { return saveVoucher(steps, call, services); },
      [&](const RuntimeError& error) { return saveFailureText(steps.rules(), error); });
}

}  // namespace corvane
