#pragma once
// Submission of a saved voucher to its approval flow, shared by the loan and the claim class.
// The kind of a voucher comes from its head row (the first character of strTypeCode), so either
// class submits loans and claims alike.

#include <functional>
#include <string>
#include <string_view>

#include "platform/xml/XmlDocument.h"

namespace corvane {

struct FuncCall;
class LoginContext;
namespace db {
class Connection;
}

// The approval-start document of a voucher: amount in the home currency, the kind's flow bill
// type, name and right, department, operation type and voucher number. The values are escaped,
// so that any voucher number or code keeps the document well-formed.
std::string ApprovalStartDocument(const std::string& dblOldMoney, const std::string& strTypeCode,
                                  const std::string& strDepartID, const std::string& strVouchID);

// Enters the voucher of `headRow` (attributes GUID, strTypeCode, strDepartID, strVouchID,
// dblOldMoney) into its flow and sets its blnAudi to 1. Answers true; failures raise 9000: the
// flow component's text, 0177 for a type code of no voucher kind, 0260 when the update does not
// hit exactly one row.
bool SubmitVoucherToFlow(LoginContext& login, db::Connection& CN, const XmlNode& headRow);

struct SubmissionKind {
  std::string_view className;
  std::string_view member;       // named by the error replies
  std::string_view guardSelect;  // selects a saved voucher; the GUID literal follows
  std::string_view headTable;
};

extern const SubmissionKind kLoanSubmission;
extern const SubmissionKind kClaimSubmission;

// "submitaudit": submits the saved voucher `in/GUID` whose row version is still `in/ts`, and
// answers "<RetValue ts='<new row version>' />". A voucher outside the user's data rights answers
// as one that does not exist (0262). `initAudit` is the class's own InitAudit.
bool SubmitVoucher(const SubmissionKind& kind, FuncCall& call,
                   const std::function<bool(LoginContext&, db::Connection&, const XmlNode&)>& initAudit);

}  // namespace corvane
