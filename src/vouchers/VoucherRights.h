#pragma once
// The user's data rights on loans and claims. Every func that takes a voucher applies the user's
// data rights: a func that names a stored voucher by its AutoID or GUID, or one of its lines by
// the line's GUID, finds only the vouchers within them and answers a voucher outside them exactly
// as one that does not exist; a voucher saved for a department, person, item, maker or operation
// type outside them is refused.
//
// The rights on the vouchers of a head table are the ones the form's navigation browses by, so
// that a func reaches no voucher the user could not step to:
// - the row rights of the head table (department strDepartID, borrower or claimant strLoanID,
//   item strItemID, maker strPersonID), as GetAuthSource narrows a table;
// - the template rights of the cards whose vouchers the head table keeps (the kinds table: KX01
//   in KX_LoanVouch, KX02 and KX03 in KX_ExpenVouch): the voucher's operation type must show a
//   template the user may use.
// An administrator is restricted by neither.

#include <span>
#include <string>
#include <string_view>

namespace corvane {

class LoginContext;
class XmlNode;
struct VoucherKind;
namespace db {
class Connection;
}

// The condition on KX_OperationType from the template rights of the cards of one head table, in
// the kinds table's order: each an allowed-id list, "1=2" for none, or empty for all. A refused
// card adds nothing once another card allows a list; all refused stay refused; an empty answer
// restricts nothing. Empty when the rights restrict nothing.
std::string TemplateTypeCondition(std::span<const std::string> cardTemplates);

// The claim form's condition from its two cards: income claims (KX02), then expense claims (KX03).
std::string ClaimTypeCondition(const std::string& incomeTemplates, const std::string& expenseTemplates);

class VoucherRights {
 public:
  // Asks the row-rights service for the user's rights on the vouchers of `headTable`, one of the
  // kinds table's head tables. Never raises: a service that cannot answer allows nothing.
  VoucherRights(const LoginContext& ologin, std::string_view headTable);

  // The head table narrowed to the vouchers within the rights and aliased as the head table, or
  // the head table itself when nothing restricts the user.
  const std::string& source() const { return source_; }

  // Whether the voucher with AutoID `autoId` (a whole number) or GUID `guid` lies within the
  // rights; false also when there is no such voucher. Database errors reach the caller.
  bool containsId(db::Connection& CN, const std::string& autoId) const;
  bool containsGuid(db::Connection& CN, const std::string& guid) const;
  // Whether the line `lineGuid` of the head table's line table belongs to a voucher within them.
  bool containsLine(db::Connection& CN, const std::string& lineGuid) const;

 private:
  bool contains(db::Connection& CN, const std::string& condition) const;

  std::string headTable_;
  std::string source_;
};

// Refuses (error 9000) the head row of a voucher to be saved as `kind` when a value lies outside
// the user's data rights: its department strDepartID (message 0720), person strLoanID (0721),
// item strItemID (0722; a voucher without an item passes), maker strPersonID (0723) or the
// template of its operation type strTypeCode (0724). The message names the value.
void RequireHeadWithinRights(const LoginContext& ologin, db::Connection& CN, const XmlNode& row,
                             const VoucherKind& kind);

// Refuses the person `personCode` of a voucher about to be made (message 0721) when it lies
// outside the user's data rights; an empty code is not checked.
void RequirePersonWithinRights(const LoginContext& ologin, db::Connection& CN, const std::string& personCode);

}  // namespace corvane
