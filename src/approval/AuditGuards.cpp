#include "approval/AuditGuards.h"

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

std::optional<AuditHead> ReadAuditHead(LoginContext& ologin, db::Connection& CN, const AuditKind& kind,
                                       const std::string& guid, const RowVersion* version) {
  const std::string source = GetAuthSource(ologin, std::string(kind.headTable), true);
  const db::Recordset head = sql::open(
      CN, "Select strAuditorID,strMakerID" + std::string(kind.isLoan() ? "" : ",blnSettle") + " From " + source +
              " Where GUID = " + db::quoteLiteral(guid) + (version ? " and " + version->condition() : std::string()));
  if (head.eof()) return std::nullopt;
  return AuditHead{NullToStr(head.field("strAuditorID").value()), NullToStr(head.field("strMakerID").value())};
}

std::string CancelRefusal(db::Connection& CN, const AuditKind& kind, const std::string& guid, bool inFlow,
                          const AuditHead& head, const CancelRefusalIds& ids) {
  if (!inFlow && head.auditor.empty()) return GetResString(ids.notApproved);
  if (!head.maker.empty()) return GetResString(ids.posted);
  const std::string key = db::quoteLiteral(guid);
  const std::string paidLines =
      kind.isLoan() ? "Select strPayID From " + std::string(kind.headTable) + "_Sub Where MGUID = " + key
                    : "Select strPayID From KX_BalanceInfo Where ExpenGUID = " + key;
  if (sql::exists(CN, paidLines + " And IsNull(strPayID ,'') <> ''")) return GetResString(ids.paid);
  const std::string writtenOff =
      "select Expenguid from KX_ExpenLoanInfo where Loansubguid in(SELECT Guid From KX_LoanVouch_Sub "
      "WHERE MGuid=" +
      key + ")";
  if (kind.isLoan() && sql::exists(CN, writtenOff)) return GetResString(ids.writtenOff);
  return {};
}

}  // namespace corvane
