#include "claims/ExpenseSave.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "claims/CExpense.h"
#include "claims/ExpenseStandardCheck.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RowVersion.h"
#include "request/SaveRows.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherSave.h"
#include "vouchers/VoucherSubmission.h"

namespace corvane {

namespace {

using namespace voucher;

// A taken number refused by the unique index answers 0236.
constexpr std::array kClaimConstraints = {ConstraintMessage{"IX_KX_ExpenVouch", "Z7.Corvane.0236"}};

const VoucherSaveRules kClaimSaveRules{
    .className = "CExpense",
    .usedMissing = "Z7.Corvane.0275",
    .claimantMissing = "Z7.Corvane.0276",
    .claimantUnknown = "Z7.Corvane.0277",
    .staleRowVersion = "Z7.Corvane.0243",
    .typedNumbers = "Z7.Corvane.0236",
    .keepsExpiryDate = false,
    .constraints = kClaimConstraints,
};

std::string lineNumber(std::size_t n) { return "(" + std::to_string(n) + ")"; }

// A line's item must be a leaf of the income and expense items; an empty item is not checked.
void checkLineItem(FuncCall& call, const XmlNode& line, const std::string& n) {
  const std::optional<std::string> item = line.findAttribute("strIOItem");
  if (!item) raiseMessage("Z7.Corvane.0281", n);
  if (item->empty()) return;
  const db::Recordset found =
      sql::open(call.CN, "Select blnEnd From KX_IOItem Where strCode = " + db::quoteLiteral(*item));
  if (found.eof()) raiseMessage("Z7.Corvane.0281", n);
  const Variant leaf = found.field("blnEnd").value();
  if (!leaf.isNull() && !CBool(leaf)) raiseMessage("Z7.Corvane.0280", n);
}

// A line over a strict standard stops the save; over a prompting one it adds to the warnings.
void checkLineStandard(FuncCall& call, const VoucherSaveRequest& request, const XmlNode& line, const std::string& n,
                       std::string& warnings) {
  const StandardCheckLine checked{line.attribute("strIOItem"),
                                  request.row.attribute("strDepartID"),
                                  request.row.attribute("strLoanID"),
                                  line.attribute("strEZero"),
                                  line.attribute("strJTTools"),
                                  MoneyOf(Variant(line.attribute("dblVouch"))),
                                  MoneyOf(Variant(line.attribute("dblMoney"))),
                                  Factor::of(Variant(line.attribute("dblNumber"))),
                                  request.row.attribute("strBill"),
                                  Factor::of(Variant(request.row.attribute("fltRate")))};
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

std::string lineStatement(FuncCall& call, const VoucherSaveRequest& request, const XmlNode& line) {
  struct Column {
    const char* name;
    bool number;
  };
  static constexpr std::array kColumns = {
      Column{"dtBDate", false},  Column{"intBTime", true},    Column{"dtEDate", false},    Column{"intETime", true},
      Column{"strBZero", false}, Column{"strEZero", false},   Column{"strJTTools", false}, Column{"strIOItem", false},
      Column{"dblVouch", true},  Column{"dblNumber", true},   Column{"dblStand", true},    Column{"dblPer", true},
      Column{"dblMoney", true},  Column{"dblOldMoney", true}, Column{"intAppend", true},   Column{"strMemo", false}};
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
  if (!amount || !IsNumeric(Variant(*amount))) raiseTypeMismatch();
  return CCur(Variant(*amount));
}

class ClaimSaveSteps : public VoucherSaveSteps {
 public:
  explicit ClaimSaveSteps(CExpense& claim) : VoucherSaveSteps(kClaimSaveRules), claim_(claim) {}

  const VoucherKind& kindOf(const XmlNode& row) const override { return ClaimKind(row.attribute("strTypeCode")); }

  // A stored claim changes only while it is as the client read it, in entry, and without
  // receipt, payment or write-off lines.
  void guardStored(FuncCall& call, const VoucherSaveRequest& request) override {
    const RowVersion version = requireRowVersion(required(request.row, "ts"), rules().staleRowVersion);
    const std::string guid = db::quoteLiteral(request.guid);
    const db::Recordset stored =
        requireRecord(call,
                      "Select intBudPass,strAuditorID,blnaudi From KX_ExpenVouch Where GUID = " + guid + " And " +
                          version.condition(),
                      "Z7.Corvane.0243");
    if (NullToStr(stored.field("intBudPass").value()) == "1") raiseMessage("Z7.Corvane.0244");
    if (flagSet(stored.field("blnaudi").value())) raiseMessage("Z7.Corvane.0246");
    if (request.submitOnSave && !NullToStr(stored.field("strAuditorID").value()).empty()) {
      raiseMessage("Z7.Corvane.0245");
    }
    for (const char* table : {"KX_BalanceInfo", "KX_ExpenLoanInfo"}) {
      if (sql::exists(call.CN, std::string("select top 1 * from ") + table + " where ExpenGUID=" + guid)) {
        raiseMessage("Z7.Corvane.0332");
      }
    }
  }

  // Inserts the lines, each checked, and totals them into the head; keeps the findings of
  // prompting standards for the reply.
  void storeLines(FuncCall& call, const VoucherSaveRequest& request) override {
    Currency total;
    const std::vector<XmlNode> lines = request.body.children();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string n = lineNumber(i + 1);
      checkLineItem(call, lines[i], n);
      checkLineStandard(call, request, lines[i], n, warnings_);
      const std::string statement = lineStatement(call, request, lines[i]);
      total = total + lineAmount(lines[i]);
      if (sql::execute(call.CN, statement) != 1) raiseMessage("Z7.Corvane.0255", n);
    }
    if (!lines.empty()) {
      sql::execute(call.CN, "Update KX_ExpenVouch Set dblMoney = " + total.toString() +
                                " Where GUID = " + db::quoteLiteral(request.guid));
    }
  }

  // The saved claim becomes the current one; the findings of prompting standards are the reply.
  void stored(FuncCall& call, const std::string& autoId, const std::string& strTypeCode) override {
    claim_.AutoID = autoId;
    claim_.strCardNum = CardNumber(strTypeCode);
    if (warnings_.empty()) return;
    loadReply(call.oXml,
              "<?xml version='1.0' encoding='utf-8'?><message><id>Corvane:CExpend:SaveVouch:ExpenStandard</id><text>" +
                  XmlEncode(warnings_) + "</text></message>");
  }

 private:
  CExpense& claim_;
  std::string warnings_;
};

}  // namespace

bool saveExpenseVoucherWith(CExpense& claim, FuncCall& call, const VoucherSaveServices& services) {
  ClaimSaveSteps steps(claim);
  return SaveVoucherWith(steps, call, services);
}

bool SaveExpenseVoucher(CExpense& claim, FuncCall& call) {
  return saveExpenseVoucherWith(claim, call, VoucherSaveServices{[&](XmlNode headRow) {
                                  return SubmitVoucherToFlow(call.ologin, call.CN, headRow);
                                }});
}

}  // namespace corvane
