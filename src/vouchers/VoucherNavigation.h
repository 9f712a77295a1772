#pragma once
// Navigation and lookup of the voucher form, shared by the loan and the claim class: step to the
// first, previous, next or last voucher still in entry, or re-show one, and open a voucher by
// its GUID. Both choose the request's current voucher; navigation also answers the ids the form
// may step through ("<Rows><row AutoID='..'/>...</Rows>", descending). Nothing is written.
// Each answers true, or false after loading its error reply ("Corvane:<class>:<member>:<n>",
// message 0159 for the busy-or-broken database errors).

#include <optional>
#include <string>
#include <string_view>

#include "vouchers/VoucherRights.h"

namespace corvane {

struct FuncCall;

// The request's current voucher, as the class object holds it.
struct CurrentVoucher {
  std::string& AutoID;
  std::string& strShowModel;
  std::string* strCardNum;  // the claim class's card of the current voucher; null for loans
};

struct NavigationKind {
  std::string_view className;
  std::string_view listMember;    // member named by the navigation's error replies
  std::string_view lookupMember;  // member named by the lookup's error replies
  std::string_view headTable;
  std::string_view listColumns;
  bool keepsCurrentVoucher;  // a current voucher set earlier in the request stays current
  bool servesNamedVoucher;   // Director "-3": the voucher of strAutoID whatever its state
  // The condition that keeps the vouchers in entry which the form browses, on the head table
  // narrowed to the user's data rights (VoucherRights); `submitFlag` is "1" when vouchers are
  // submitted on save, else "0".
  std::string (*filter)(const FuncCall& call, const std::string& submitFlag);
};

extern const NavigationKind kLoanNavigation;
extern const NavigationKind kClaimNavigation;

// "getVouchListID": `in/Director` "0" first, "1" previous, "2" next, "3" the voucher of
// `in/strAutoID`, "-1" last ("-3" where the kind serves it). A target that does not qualify
// falls back to the last voucher. `in/strAutoID` must be a whole number when given (0201).
bool NavigateVouchers(const NavigationKind& kind, FuncCall& call, CurrentVoucher& current);

// "getVouchByGUID": the loan, else the claim, whose GUID is `in/GUID` becomes current (0257 when
// there is none, 0258 when its operation type is missing).
bool LookUpVoucher(const NavigationKind& kind, FuncCall& call, CurrentVoucher& current);

}  // namespace corvane
