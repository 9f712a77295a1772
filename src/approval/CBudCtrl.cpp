#include "approval/CBudCtrl.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/PubCommon.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr char kSuccess[] = "success";

// Budget statuses answered by the budget component.
constexpr int kRefused = 0;
constexpr int kOverBudget = 1;
constexpr int kNoOpenPeriod = 3;

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool isLoanTable(const std::string& table) { return lower(table) == "kx_loanvouch"; }

// One call of CheckBudCtrl: its arguments, its result so far and whether the head was already
// written with the client's row version.
class BudgetApproval {
 public:
  BudgetApproval(LoginContext& ologin, db::Connection& CN, const std::string& guid, const std::string& ts,
                 const std::string& table, bool approving, bool workFlow)
      : ologin_(ologin), CN_(CN), guid_(guid), ts_(ts), table_(table), approving_(approving), workFlow_(workFlow) {}

  // Runs the check; `message` gets the reply text. Answers the result.
  bool run(const BudgetFactory& budget, std::string& message) {
    try {
      message = check(budget);
    } catch (const RuntimeError& error) {
      // A failure rolls the whole voucher back: a budget charge or release never stands
      // without the approver write it belongs to.
      result_ = false;
      message = error.description();
    } catch (const std::exception& error) {
      result_ = false;
      message = error.what();
    }
    return result_;
  }

 private:
  std::string check(const BudgetFactory& budget) {
    requireKnownTable();
    if (!underBudgetControl()) return finish({}, true);
    const db::Recordset head =
        sql::open(CN_, "Select * From " + table_ + " left join kx_operationtype on " + table_ +
                           ".strtypecode = kx_operationtype.strcode Where GUID = " + db::quoteLiteral(guid_));
    if (head.eof()) raiseBusiness(changedText());
    const std::string itemCode = NullToStr(head.field("strBudItemID").value());
    if ((CLng(head.field("intBudPass").value()) == 1 && approving_) || itemCode.empty()) {
      return finish({}, true);
    }
    if (CLng(head.field("intBudPass").value()) == 0 && CStr(head.field("intOverBud").value()) == "3") {
      raiseMessage("Z7.Corvane.0157");
    }
    const std::unique_ptr<BudgetChecker> checker = budget ? budget() : nullptr;
    if (!checker || !checker->InitConnection(CN_) || !checker->OpenSystem("KX")) {
      raiseMessage("Z7.Corvane.0149");
    }
    const BudgetVoucher verdict = checker->Check(budgetVoucher(head, itemCode));
    return recordVerdict(verdict);
  }

  bool underBudgetControl() {
    const bool onLoans = BudgetControlOnLoans(CN_);
    return isLoanTable(table_) ? onLoans : !onLoans;
  }

  BudgetVoucher budgetVoucher(const db::Recordset& head, const std::string& itemCode) const {
    BudgetVoucher voucher;
    voucher.VoucherGuid = guid_;
    voucher.SystemCode = "KX";
    voucher.VoucherTypeName = isLoanTable(table_) ? "借款单" : "报销单";
    voucher.OperationType = CStr(head.field("strName").value());
    voucher.VoucherNo = CStr(head.field("strVouchID").value());
    voucher.VoucherDate = CStr(head.field("dtLoanDate").value());
    voucher.Summary = CStr(head.field("strUsed").value());
    voucher.IsCancel = !approving_;
    BudgetVoucherEntry line;
    line.LineNo = "1";
    line.Summary = voucher.Summary;
    line.BudgetItemCode = itemCode;
    line.PortCode1 = GetCodeInBracket(NullToStr(head.field("strPort1").value()));
    line.PortValue1 = GetCodeInBracket(NullToStr(head.field("strPort1Value").value()));
    line.PortCode2 = GetCodeInBracket(NullToStr(head.field("strPort2").value()));
    line.PortValue2 = GetCodeInBracket(NullToStr(head.field("strPort2Value").value()));
    line.PortCode3 = GetCodeInBracket(NullToStr(head.field("strPort3").value()));
    line.PortValue3 = GetCodeInBracket(NullToStr(head.field("strPort3Value").value()));
    const Currency amount = CCur(head.field("dblOldMoney").value());
    line.Amount = (approving_ ? amount : -amount).toString();
    line.Enabled = true;
    voucher.Entries.push_back(line);
    return voucher;
  }

  std::string recordVerdict(const BudgetVoucher& verdict) {
    const int status = verdict.Status;
    if (status == kRefused || status == kNoOpenPeriod || status == kOverBudget) {
      // A refused cancel leaves the voucher approved, and so its budget verdict as it was.
      if (approving_) {
        const std::string overBudget = status == kOverBudget
                                           ? " ,intOverBud = " + std::to_string(verdict.Entries.at(0).ControlType) +
                                                 ",strOverPerson=Null,strOverDate=Null,strOverDesc=Null"
                                           : "";
        updateHeadOnce("Update " + table_ + " Set intBudPass = 0" + overBudget + whereClientVersion());
      }
      result_ = true;
      return verdict.Message.empty() ? GetResString("Z7.Corvane.0157") : verdict.Message;
    }
    updateHeadOnce("Update " + table_ + " Set intBudPass = " + (approving_ ? "1" : "0") + whereClientVersion());
    result_ = true;
    return finish(status == 2 ? verdict.Message : std::string(), false);
  }

  // Writes or clears the approver unless the flow records the verdict only; `clientVersion`:
  // no budget update was made, so the head must still carry the client's row version.
  std::string finish(const std::string& message, bool clientVersion) {
    result_ = true;
    if (workFlow_) return message;
    const std::string approver =
        approving_ ? "strAuditorID = " + db::quoteLiteral(ologin_.UserName()) : std::string("strAuditorID = Null");
    const std::string where = clientVersion ? whereClientVersion() : " Where GUID = " + db::quoteLiteral(guid_);
    if (sql::execute(CN_, "Update " + table_ + " Set " + approver + ",intOverBud=-1" + where) != 1) {
      result_ = false;
      raiseBusiness(changedText());
    }
    if (isLoanTable(table_)) {
      sql::execute(CN_, "Update " + table_ + "_Sub Set guid=guid Where MGUID = " + db::quoteLiteral(guid_));
    }
    return kSuccess + message;
  }

  void updateHeadOnce(const std::string& sql) {
    if (sql::execute(CN_, sql) != 1) raiseBusiness(changedText());
  }

  // The head's key and the client's row version; a text that is no row version matches no row.
  std::string whereClientVersion() const {
    const std::optional<RowVersion> version = RowVersion::parse(ts_);
    return " Where GUID = " + db::quoteLiteral(guid_) + " and " + (version ? version->condition() : "1=0");
  }

  std::string changedText() const { return GetResString(approving_ ? "Z7.Corvane.0367" : "Z7.Corvane.0368"); }

  // Only the two voucher head tables are ever named here.
  void requireKnownTable() const {
    const std::string table = lower(table_);
    if (table != "kx_loanvouch" && table != "kx_expenvouch") raiseBusiness(changedText());
  }

  LoginContext& ologin_;
  db::Connection& CN_;
  const std::string& guid_;
  const std::string& ts_;
  const std::string& table_;
  const bool approving_;
  const bool workFlow_;
  bool result_ = false;
};

// The text of the first child of the func's `in`.
std::string firstInputText(const FuncCall& call) { return pub::firstInputElement(call.oNode).text(); }

// The budget component of the request's host, bound to the request's connection and opened for
// the module; the failure text when it cannot be (`reasonOf` gives it from the component, or from
// nothing when the component could not even be made or bound).
std::unique_ptr<BudgetChecker> openedBudget(FuncCall& call,
                                            const std::function<std::string(const BudgetChecker&)>& reasonOf) {
  std::unique_ptr<BudgetChecker> checker = call.host().budgetChecker();
  if (!checker || !checker->InitConnection(call.CN)) raiseMessage("Z7.Corvane.0149");
  if (!checker->OpenSystem("KX")) raiseBusiness(reasonOf(*checker));
  return checker;
}

// The member's work, with any failure answered as "Corvane:CLoan:recordGet:<number>".
bool answered(FuncCall& call, const std::function<bool()>& work) {
  return answerAsMember(call.oXml, "CLoan", "recordGet", work);
}

// " PortN='code' PortNName='name'" of a dimension with a code, values escaped; "" without one.
std::string portAttributes(int number, const std::string& code, const std::string& name) {
  if (code.empty()) return {};
  const std::string port = "Port" + std::to_string(number);
  return port + "='" + XmlEncode(code) + "' " + port + "Name='" + XmlEncode(name) + "' ";
}

constexpr FuncEntry<CBudCtrl> kFuncTable[] = {
    FuncEntry<CBudCtrl>{"CheckBud", &CBudCtrl::CheckBud},
    FuncEntry<CBudCtrl>{"GetPort", &CBudCtrl::GetPort},
};

}  // namespace

const FrameSettings CBudCtrl::kFrame{
    .className = "CBudCtrl",
    .rightScope = RightScope::None,
    .rightCode = "",
    .connectionTimeout = 60,
    .transaction = TransactionScope::PerRequest,
};
const std::span<const FuncEntry<CBudCtrl>> CBudCtrl::kFuncs = kFuncTable;

bool BudgetControlOnLoans(db::Connection& CN) {
  const db::Recordset option =
      sql::open(CN, "Select cvalue From AccInformation Where cSysID = 'KX' And cName = 'blnBudCtrl'");
  if (option.eof()) raiseMessage("Z7.Corvane.0150");
  return CBool(option.field(0).value());
}

bool CBudCtrl::CheckBud(FuncCall& call) {
  return answered(call, [&] {
    const std::string card = firstInputText(call);
    if (card.empty()) raiseMessage("Z7.Corvane.0148");
    openedBudget(call, [](const BudgetChecker& checker) {
      const std::string reason = checker.LastErrorText();
      return reason.empty() ? GetResString("Z7.Corvane.0366") : reason;
    });
    const bool onLoans = BudgetControlOnLoans(call.CN);
    if (!onLoans && card == "KX01") raiseMessage("Z7.Corvane.0151");
    if (onLoans && card != "KX01") raiseMessage("Z7.Corvane.0152");
    loadReply(call.oXml, "<Return />");
    return true;
  });
}

bool CBudCtrl::GetPort(FuncCall& call) {
  return answered(call, [&] {
    const std::string itemCode = firstInputText(call);
    if (itemCode.empty()) raiseMessage("Z7.Corvane.0153");
    const auto checker = openedBudget(call, [](const BudgetChecker&) { return GetResString("Z7.Corvane.0149"); });
    const BudgetItem item = checker->GetItem(itemCode);
    const std::string ports = portAttributes(1, item.PortCode1, item.PortName1) +
                              portAttributes(2, item.PortCode2, item.PortName2) +
                              portAttributes(3, item.PortCode3, item.PortName3);
    loadReply(call.oXml, ports.empty() ? "<Return />" : "<Return " + ports + " />");
    return true;
  });
}

std::string GetCodeInBracket(const std::string& text) {
  const auto close = text.find(']');
  if (close == std::string::npos) return {};
  const auto open = text.find('[');
  if (open == std::string::npos) return text.substr(0, close);
  if (close < open) return {};
  return text.substr(open + 1, close - open - 1);
}

bool CBudCtrl::CheckBudCtrl(LoginContext& ologin, db::Connection& CN, const std::string& strGUID, const std::string& ts,
                            const std::string& strTable, bool blnAudit, std::string& strBudRet, bool blnWorkFlow) {
  strBudRet.clear();
  BudgetApproval approval(ologin, CN, strGUID, ts, strTable, blnAudit, blnWorkFlow);
  return approval.run([&ologin] { return ologin.host().budgetChecker(); }, strBudRet);
}

}  // namespace corvane
