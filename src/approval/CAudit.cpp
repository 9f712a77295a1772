#include "approval/CAudit.h"

#include <array>
#include <exception>

#include "approval/AuditKinds.h"
#include "approval/CBudCtrl.h"
#include "approval/LoanCheques.h"
#include "approval/RowVersionText.h"
#include "core/ErrorReply.h"
#include "core/Messages.h"
#include "core/PubCommon.h"
#include "core/QueryBuilders.h"
#include "core/Rights.h"
#include "core/SqlText.h"
#include "core/Values.h"
#include "host/ApprovalFlow.h"
#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"

namespace corvane {

namespace {

// Command timeouts of a voucher's transaction: short for the begin, so a busy account answers
// quickly, then the normal one.
constexpr int kBeginTimeout = 5;
constexpr int kWorkTimeout = 20;
constexpr std::string_view kSuccess = "success";

// Database failures that mean "busy or broken, try again": answered with message 0159.
constexpr std::array<std::int32_t, 4> kRetryErrors = {db::kErrMultipleStep, errnum::kDbUnspecified,
                                                      errnum::kDbTimeout, db::kErrTransactionExists};

bool isRetryError(std::int32_t number) {
  for (const std::int32_t retry : kRetryErrors) {
    if (number == retry) return true;
  }
  return false;
}

std::string_view dispatcherErrorClass(std::int32_t number) {
  return isRetryError(number) ? "CExpense" : "CAudit";
}

std::string dispatcherErrorText(std::int32_t number, const std::string& description) {
  return isRetryError(number) ? XmlEncode(GetResString("Z7.Corvane.0159")) : XmlEncode(description);
}

bool anyRow(db::Connection& CN, const std::string& sql) {
  db::Recordset rs;
  rs.open(FixSqlText(sql), CN);
  return !rs.eof();
}

// One voucher of the list as the client sent it.
struct AuditRow {
  std::string guid;
  std::string ts;
  std::string strType;
  std::string strVouchID;
};

// The refusal of cancelling the approval of a voucher, or "" when the guards pass: not approved
// (outside a flow), a ledger voucher made, a line sent for payment, a loan line written off.
std::string cancelRefusal(db::Connection& CN, const AuditRow& row, const AuditKind& kind, bool inFlow,
                          const std::string& auditor, const std::string& maker) {
  if (!inFlow && auditor.empty()) return GetResString("Z7.Corvane.0363");
  if (!maker.empty()) return GetResString("Z7.Corvane.0164");
  const std::string guid = db::quoteLiteral(row.guid);
  const std::string paidLines =
      kind.isLoan() ? "Select strPayID From " + std::string(kind.headTable) + "_Sub Where MGUID = " + guid
                    : "Select strPayID From KX_BalanceInfo Where ExpenGUID = " + guid;
  if (anyRow(CN, paidLines + " And IsNull(strPayID ,'') <> ''")) return GetResString("Z7.Corvane.0163");
  const std::string writtenOff =
      "select Expenguid from KX_ExpenLoanInfo where Loansubguid in(SELECT Guid From KX_LoanVouch_Sub "
      "WHERE MGuid=" + guid + ")";
  if (kind.isLoan() && anyRow(CN, writtenOff)) return GetResString("Z7.Corvane.0160");
  return {};
}

// Whether the voucher may be approved or un-approved directly ("1"), is under an approval flow
// and passed the guards (""), or is refused (the refusal's text). A voucher outside the user's
// data rights answers as one that does not exist.
std::string CheckVouchAudit(LoginContext& ologin, db::Connection& CN, const AuditRow& row,
                            const AuditKind& kind, bool approving) {
  const auto flow = ologin.host().approvalFlow();
  flow->SetLogin(ologin);
  const bool inFlow = flow->IsInFlow(CN, std::string(kind.flowBillType), row.guid, "11");
  if (!isRowVersionText(row.ts)) return GetResString("Z7.Corvane.0167");
  const std::string source = GetAuthSource(ologin, std::string(kind.headTable), true);
  db::Recordset head;
  head.open(FixSqlText("Select strAuditorID,strMakerID" + std::string(kind.isLoan() ? "" : ",blnSettle") +
                       " From " + source + " Where GUID = " + db::quoteLiteral(row.guid) +
                       " and Cast(ts As Money)=" + row.ts),
            CN);
  if (head.eof()) return GetResString("Z7.Corvane.0167");
  const std::string auditor = NullToStr(head.field("strAuditorID").value());
  const std::string maker = NullToStr(head.field("strMakerID").value());
  head.close();
  std::string refusal;
  if (approving) {
    if (!auditor.empty()) refusal = GetResString("Z7.Corvane.0166");
  } else {
    refusal = cancelRefusal(CN, row, kind, inFlow, auditor, maker);
  }
  if (!refusal.empty()) return refusal;
  return inFlow ? std::string() : std::string("1");
}

// A voucher's own transaction: begun with a short timeout, so that a busy account answers
// quickly; committed or rolled back by end(), and rolled back when left any other way.
class VoucherTransaction {
 public:
  explicit VoucherTransaction(db::Connection& CN) : CN_(CN) {
    CN_.setCommandTimeout(kBeginTimeout);
    CN_.beginTrans();
    CN_.setCommandTimeout(kWorkTimeout);
  }
  VoucherTransaction(const VoucherTransaction&) = delete;
  VoucherTransaction& operator=(const VoucherTransaction&) = delete;
  ~VoucherTransaction() {
    if (!CN_.inTransaction()) return;
    try {
      CN_.rollbackTrans();
    } catch (const std::exception&) {
      // Leaving on an error already: that error is the one to report.
    }
  }

  void end(bool commit) {
    if (commit) {
      CN_.commitTrans();
    } else {
      CN_.rollbackTrans();
    }
  }

 private:
  db::Connection& CN_;
};

// A function right taken for one voucher, released on every way out.
class HeldRight {
 public:
  HeldRight(LoginContext& ologin, std::string_view code) : ologin_(ologin), code_(code) {}
  HeldRight(const HeldRight&) = delete;
  HeldRight& operator=(const HeldRight&) = delete;
  ~HeldRight() { FreeTask(&ologin_, code_); }

 private:
  LoginContext& ologin_;
  std::string_view code_;
};

// One "CheckAudit" func: its vouchers in order and the rows and errors gathered.
class AuditList {
 public:
  explicit AuditList(FuncCall& call) : call_(call) {}

  bool serve() {
    try {
      const XmlNode list = pub::firstInputElement(call_.oNode);
      flag_ = list.attribute("flag");
      approving_ = flag_ == "1";
      int number = 0;
      for (const XmlNode element : list.children()) {
        if (!serveRow(readRow(element), ++number)) return false;
      }
      answer();
      return true;
    } catch (const RuntimeError& error) {
      fail(error.number(), error.description());
    } catch (const std::exception& error) {
      fail(errnum::kDbUnspecified, error.what());
    }
    return false;
  }

 private:
  static AuditRow readRow(const XmlNode& element) {
    return {element.attribute("guid"), element.attribute("ts"), element.attribute("strType"),
            element.attribute("strVouchID")};
  }

  // False when the voucher's right was refused: the func ends with the refusal.
  bool serveRow(const AuditRow& row, int number) {
    const AuditKind* kind = auditKindOf(row.strType);
    if (kind == nullptr) raiseBusiness(GetResString("Z7.Corvane.0161"));
    if (!approving_ && !kind->isLoan()) requireUnverifiedClaim(row);
    const std::string_view right = approving_ ? kind->approveRight : kind->cancelRight;
    if (!ApplyTask(&call_.ologin, right, call_.oXml)) {
      FreeTask(&call_.ologin, right);
      return false;
    }
    const HeldRight held(call_.ologin, right);
    const std::string verdict = CheckVouchAudit(call_.ologin, call_.CN, row, *kind, approving_);
    if (verdict.empty()) {
      rows_ += "<row guid='" + XmlEncode(row.guid) + "' ts='" + XmlEncode(row.ts) + "' strType='" +
               XmlEncode(row.strType) + "' strVouchID='" + XmlEncode(row.strVouchID) + "' />";
    } else if (verdict == "1") {
      approveDirectly(row, *kind, number);
    } else {
      addError(row, number, verdict);
    }
    return true;
  }

  // A claim whose approval is cancelled must not be settled by its verifier.
  void requireUnverifiedClaim(const AuditRow& row) {
    if (!anyRow(call_.CN, "select top 1 strVerifier from " +
                              GetAuthSource(call_.ologin, "KX_ExpenVouch", true) +
                              " where isnull(strVerifier,'')=''and  guid=" + db::quoteLiteral(row.guid))) {
      raiseBusiness(GetResString("Z7.Corvane.0162"));
    }
  }

  // The voucher's own transaction around the budget check; its cheques after the commit.
  void approveDirectly(const AuditRow& row, const AuditKind& kind, int number) {
    std::string budRet;
    {
      VoucherTransaction transaction(call_.CN);
      transaction.end(CBudCtrl().CheckBudCtrl(call_.ologin, call_.CN, row.guid, row.ts,
                                              std::string(kind.headTable), approving_, budRet, false));
    }
    if (budRet.rfind(kSuccess, 0) == 0) {
      budRet.erase(0, kSuccess.size());
      if (approving_ && kind.isLoan()) {
        const std::string cheques = RegisterLoanCheques(call_.ologin, call_.CN, row.guid);
        if (!cheques.empty()) budRet += "   " + cheques;
      }
    }
    if (!budRet.empty()) addError(row, number, budRet);
  }

  void addError(const AuditRow& row, int number, const std::string& text) {
    errors_ += "<err guid='" + XmlEncode(row.guid) + "' msg='" +
               XmlEncode(GetResString("Z7.Corvane.0165", "", std::to_string(number), row.strVouchID, text)) +
               "' />";
  }

  void answer() {
    if (!errors_.empty()) {
      loadReply(call_.oXml, "<Error>" + errors_ + "</Error>");
    } else if (!rows_.empty()) {
      loadReply(call_.oXml, "<Rows flag='" + XmlEncode(flag_) + "'>" + rows_ + "</Rows>");
    }
  }

  // The voucher's transaction and right were given up on the way out.
  void fail(std::int32_t number, const std::string& description) {
    loadReply(call_.oXml, isRetryError(number)
                              ? ErrorReplyWithText("CExpense", "myHandle", number,
                                                   XmlEncode(GetResString("Z7.Corvane.0159")))
                              : ErrorReply("CLoan", "recordGet", number, description));
  }

  FuncCall& call_;
  std::string flag_;
  bool approving_ = false;
  std::string rows_;
  std::string errors_;
};

constexpr FuncEntry<CAudit> kFuncTable[] = {
    FuncEntry<CAudit>{"CheckAudit", &CAudit::CheckAudit, false, {}, true},
};

}  // namespace

const FrameSettings CAudit::kFrame{
    .className = "CAudit",
    .rightScope = RightScope::None,
    .rightCode = "",
    .connectionTimeout = 20,
    .transaction = TransactionScope::None,
    .errorText = &dispatcherErrorText,
    .errorClass = &dispatcherErrorClass,
};
const std::span<const FuncEntry<CAudit>> CAudit::kFuncs = kFuncTable;

bool CAudit::CheckAudit(FuncCall& call) {
  AuditList list(call);
  return list.serve();
}

}  // namespace corvane
