#include "loans/LoanStore.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "host/LoginContext.h"
#include "loans/LoanLimits.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RequestText.h"
#include "request/SaveRows.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherSave.h"

namespace corvane {

namespace {

using namespace voucher;

// A database error naming the write-off table (which refers to loan lines) answers 0256.
constexpr std::array kLoanConstraints = {ConstraintMessage{"KX_ExpenLoanInfo", "Z7.Corvane.0256"}};

const VoucherSaveRules kLoanSaveRules{
    .className = "CLoan",
    .usedMissing = nullptr,
    .claimantMissing = "Z7.Corvane.0217",
    .claimantUnknown = "Z7.Corvane.0218",
    .staleRowVersion = "Z7.Corvane.0248",
    .typedNumbers = "Z7.Corvane.0237",
    .keepsExpiryDate = true,
    .constraints = kLoanConstraints,
};

struct LineTotals {
  Currency total;
  int allBill = 1;
};

// The hard limits of the borrower.
void checkLoanLimits(FuncCall& call, const VoucherSaveRequest& request) {
  const std::string borrower = request.row.attribute("strLoanID");
  const std::optional<PersonLoanLimits> limits = readLoanLimits(call.CN, borrower);
  if (!limits || !(limits->days.hard() || limits->count.hard() || limits->amount.hard())) return;
  const OpenLoans open = readOpenLoans(call.CN, call.ologin, borrower, request.guid);
  if (limits->days.hard() &&
      limitValue(limits->days) <
          loanAgeInDays(voucherAgeInDays(call.ologin, request.row.attribute("dtLoanDate")), open)) {
    raiseMessage("Z7.Corvane.0231", NullToStr(limits->days.value), NullToStr(open.oldestDays));
  }
  if (limits->count.hard() && limitValue(limits->count) < wholeNumber(open.count + 1)) {
    raiseMessage("Z7.Corvane.0232", NullToStr(limits->count.value), std::to_string(open.count));
  }
  if (limits->amount.hard() &&
      limitValue(limits->amount) < open.owed + MoneyOf(Variant(request.row.attribute("dblOldMoney")))) {
    raiseMessage("Z7.Corvane.0234", NullToStr(limits->amount.value), TwoDecimals(open.owed));
  }
}

std::string lineStatement(FuncCall& call, const VoucherSaveRequest& request, const XmlNode& line, LineTotals& totals) {
  if (!present(line, "strBalanceID")) raiseMessage("Z7.Corvane.0249");
  const db::Recordset style = requireRecord(call,
                                            "SELECT bSSEnd, bSSFlag From dbo.SettleStyle WHERE (cSSCode = " +
                                                db::quoteLiteral(line.attribute("strBalanceID")) + ")",
                                            "Z7.Corvane.0250");
  const Variant leaf = style.field("bSSEnd").value();
  if (!leaf.isNull() && !CBool(leaf)) raiseMessage("Z7.Corvane.0251");
  const bool billSettlement = flagSet(style.field("bSSFlag").value());
  const Currency amount = MoneyOf(Variant(line.attribute("dblMoney")));
  if (amount == Currency()) {
    if (!given(line, "dblPreMoney")) raiseMessage("Z7.Corvane.0252");
  } else {
    totals.total = totals.total + amount;
    totals.allBill = 0;
  }
  if (billSettlement && !given(line, "strBillID")) raiseMessage("Z7.Corvane.0253");
  if (given(line, "strPayBankID")) {
    requireRecord(
        call, "SELECT cBCode From dbo.Bank WHERE (cBCode = " + db::quoteLiteral(line.attribute("strPayBankID")) + ")",
        "Z7.Corvane.0254");
  }
  const bool noPreMoney = MoneyOf(Variant(line.attribute("dblPreMoney"))) == Currency();
  const Assignments columns{{"MGuid", db::quoteLiteral(request.guid)},
                            {"strBalanceID", textValue(line, "strBalanceID")},
                            {"dblMoney", billSettlement ? "Null" : numberValue(line, "dblMoney")},
                            {"dblPreMoney", noPreMoney ? "Null" : numberValue(line, "dblPreMoney")},
                            {"strBillID", textValue(line, "strBillID")},
                            {"strPayBankID", textValue(line, "strPayBankID")},
                            {"strBankName", textValue(line, "strBankName")},
                            {"strBankAcc", textValue(line, "strBankAcc")}};
  const Assignments defines = defineColumns(line, 22, 37);
  return "Insert Into KX_LoanVouch_Sub (" + names(columns) + "," + names(defines) + ") Values (" + values(columns) +
         "," + values(defines) + ")";
}

class LoanSaveSteps : public VoucherSaveSteps {
 public:
  LoanSaveSteps() : VoucherSaveSteps(kLoanSaveRules) {}

  const VoucherKind& kindOf(const XmlNode& /*row*/) const override { return kLoanKind; }

  // The head element's blnBegin, when given, must be a whole number.
  void readHeadElement(const XmlNode& head) override {
    const std::optional<std::string> begin = head.findAttribute("blnBegin");
    if (!begin) return;
    const std::optional<std::string> whole = WholeNumber(*begin);
    if (!whole || whole->size() > 9) raiseTypeMismatch();
    blnBegin_ = std::stol(*whole);
  }

  // An opening-balance loan is never limited.
  void checkRequest(FuncCall& call, const VoucherSaveRequest& request) override {
    if (!openingBalance()) checkLoanLimits(call, request);
  }

  void guardStored(FuncCall& call, const VoucherSaveRequest& request) override {
    const std::string guid = db::quoteLiteral(request.guid);
    const db::Recordset stored =
        requireRecord(call, "Select intBudPass,blnAudi,strAuditorID,blnBegin From KX_LoanVouch Where GUID = " + guid,
                      "Z7.Corvane.0243");
    if (NullToStr(stored.field("intBudPass").value()) == "1") raiseMessage("Z7.Corvane.0244");
    const Variant begin = stored.field("blnBegin").value();
    if (begin.isNull() || CBool(begin)) {
      if (sql::exists(call.CN,
                      "Select Top 1 * From KX_ExpenLoanInfo Where LoanSubguid In (Select GUID From "
                      "KX_LoanVouch_Sub Where MGUID = " +
                          guid + ")"))
        raiseMessage("Z7.Corvane.0247");
      return;
    }
    if (request.submitOnSave) {
      if (!NullToStr(stored.field("strAuditorID").value()).empty()) raiseMessage("Z7.Corvane.0245");
    } else if (flagSet(stored.field("blnAudi").value())) {
      raiseMessage("Z7.Corvane.0246");
    }
  }

  Assignments stateColumns() const override { return {{"blnAllBill", "1"}, {"blnBegin", std::to_string(blnBegin_)}}; }

  void storeLines(FuncCall& call, const VoucherSaveRequest& request) override {
    LineTotals totals;
    const std::vector<XmlNode> lines = request.body.children();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (sql::execute(call.CN, lineStatement(call, request, lines[i], totals)) != 1) {
        raiseMessage("Z7.Corvane.0255", std::to_string(i));
      }
    }
    storeTotals(call, request, totals);
  }

  // Opening-balance loans are approved at once and never go to the approval flow.
  bool submittedOnSave() const override { return !openingBalance(); }

 private:
  bool openingBalance() const { return blnBegin_ == 1; }

  // The head's total and bill flag; an opening-balance loan is approved by the saving user.
  void storeTotals(FuncCall& call, const VoucherSaveRequest& request, const LineTotals& totals) const {
    const std::string amounts =
        "dblMoney = " + totals.total.toString() + ", blnAllBill = " + std::to_string(totals.allBill);
    const std::string user = db::quoteLiteral(call.ologin.UserName());
    sql::execute(call.CN, (openingBalance() ? "Update KX_LoanVouch Set blnAudi = 1,strAuditorID = " + user +
                                                  ",strMakerID = " + user + "," + amounts
                                            : "Update KX_LoanVouch Set " + amounts) +
                              " Where GUID = " + db::quoteLiteral(request.guid));
  }

  long blnBegin_ = 0;
};

}  // namespace

bool saveLoanVoucherWith(FuncCall& call, const VoucherSaveServices& services) {
  LoanSaveSteps steps;
  return SaveVoucherWith(steps, call, services);
}

}  // namespace corvane
