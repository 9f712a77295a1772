#include "approval/CAudit.h"

#include <exception>

#include "approval/AuditErrors.h"
#include "approval/AuditGuards.h"
#include "approval/AuditKinds.h"
#include "approval/CBudCtrl.h"
#include "approval/FlowApproval.h"
#include "approval/FlowInformation.h"
#include "approval/LoanCheques.h"
#include "approval/VoucherWithdrawal.h"
#include "host/ApprovalFlow.h"
#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/HeldRight.h"
#include "request/Messages.h"
#include "request/PubCommon.h"
#include "request/QueryBuilders.h"
#include "request/RequestTransaction.h"
#include "request/Rights.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::string_view kSuccess = "success";

constexpr CancelRefusalIds kCancelRefusals{"Z7.Corvane.0363", "Z7.Corvane.0164", "Z7.Corvane.0163", "Z7.Corvane.0160"};

std::string_view dispatcherErrorClass(std::int32_t number) { return isRetryError(number) ? "CExpense" : "CAudit"; }

std::string dispatcherErrorText(std::int32_t number, const std::string& description) {
  return isRetryError(number) ? XmlEncode(GetResString("Z7.Corvane.0159")) : XmlEncode(description);
}

// One voucher of the list as the client sent it.
struct AuditRow {
  std::string guid;
  std::string ts;
  std::string strType;
  std::string strVouchID;
};

// Whether the voucher may be approved or un-approved directly ("1"), is under an approval flow
// and passed the guards (""), or is refused (the refusal's text). A voucher outside the user's
// data rights answers as one that does not exist.
std::string CheckVouchAudit(LoginContext& ologin, db::Connection& CN, const AuditRow& row, const AuditKind& kind,
                            bool approving) {
  const auto flow = ologin.host().approvalFlow();
  flow->SetLogin(ologin);
  const bool inFlow = flow->IsInFlow(CN, std::string(kind.flowBillType), row.guid, "11");
  const std::optional<RowVersion> version = RowVersion::parse(row.ts);
  if (!version) return GetResString("Z7.Corvane.0167");
  const std::optional<AuditHead> head = ReadAuditHead(ologin, CN, kind, row.guid, &*version);
  if (!head) return GetResString("Z7.Corvane.0167");
  std::string refusal;
  if (approving) {
    if (!head->auditor.empty()) refusal = GetResString("Z7.Corvane.0166");
  } else {
    refusal = CancelRefusal(CN, kind, row.guid, inFlow, *head, kCancelRefusals);
  }
  if (!refusal.empty()) return refusal;
  return inFlow ? std::string() : std::string("1");
}

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
    if (kind == nullptr) raiseMessage("Z7.Corvane.0161");
    if (!approving_ && !kind->isLoan()) requireUnverifiedClaim(row);
    const std::string_view right = approving_ ? kind->approveRight : kind->cancelRight;
    const HeldRight held(call_.ologin, right);
    if (!ApplyTask(&call_.ologin, right, call_.oXml)) return false;
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
    if (!sql::exists(call_.CN, "select top 1 strVerifier from " + GetAuthSource(call_.ologin, "KX_ExpenVouch", true) +
                                   " where isnull(strVerifier,'')=''and  guid=" + db::quoteLiteral(row.guid))) {
      raiseMessage("Z7.Corvane.0162");
    }
  }

  // The voucher's own transaction around the budget check; its cheques after the commit.
  void approveDirectly(const AuditRow& row, const AuditKind& kind, int number) {
    std::string budRet;
    {
      RequestTransaction transaction(call_.CN, BeginWait::Briefly);
      if (CBudCtrl().CheckBudCtrl(call_.ologin, call_.CN, row.guid, row.ts, std::string(kind.headTable), approving_,
                                  budRet, false)) {
        transaction.commit();
      }
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
               XmlEncode(GetResString("Z7.Corvane.0165", "", std::to_string(number), row.strVouchID, text)) + "' />";
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
    loadReply(call_.oXml, VoucherListErrorReply(number, description));
  }

  FuncCall& call_;
  std::string flag_;
  bool approving_ = false;
  std::string rows_;
  std::string errors_;
};

constexpr FuncEntry<CAudit> kFuncTable[] = {
    FuncEntry<CAudit>{"CheckAudit", &CAudit::CheckAudit, false, {}, true},
    FuncEntry<CAudit>{"GetAuditInfo", &CAudit::GetAuditInfo},
    FuncEntry<CAudit>{"GetAudiState", &CAudit::GetAudiState},
    FuncEntry<CAudit>{"AuditVouch", &CAudit::AuditVouch},
    FuncEntry<CAudit>{"DelAudit", &CAudit::DelAudit},
};

}  // namespace

const FrameSettings CAudit::kFrame{
    .className = "CAudit",
    .rightScope = RightScope::None,
    .rightCode = "",
    .connectionTimeout = 20,
    .transaction = TransactionScope::OwnedByMembers,
    .errorText = &dispatcherErrorText,
    .errorClass = &dispatcherErrorClass,
};
const std::span<const FuncEntry<CAudit>> CAudit::kFuncs = kFuncTable;

bool CAudit::CheckAudit(FuncCall& call) {
  AuditList list(call);
  return list.serve();
}

bool CAudit::AuditVouch(FuncCall& call) {
  FlowApproval approval(call);
  return approval.serve();
}

bool CAudit::DelAudit(FuncCall& call) { return WithdrawVoucher(call); }

bool CAudit::GetAuditInfo(FuncCall& call) { return AnswerFlowInfo(call); }

bool CAudit::GetAudiState(FuncCall& call) { return AnswerFlowHistory(call); }

}  // namespace corvane
