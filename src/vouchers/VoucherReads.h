#pragma once
// The three reads of a voucher form, shared by the loan and the claim class: the voucher head
// and its lines as record sets in the XML persistence format, and the operation types that may
// be chosen on a card as `option` elements. The classes differ only in what VoucherReadKind
// holds. Each read answers true, or false after loading its own error reply
// ("Corvane:<class>:<member>:<number>") into `call.oXml`; database errors that mean a busy or
// failed database are answered with the text of message 0159. They write nothing.

#include <string>
#include <string_view>

namespace corvane {

struct FuncCall;

struct VoucherReadKind {
  std::string_view className;
  std::string_view headTable;  // whose data rights the reads apply
  std::string_view headView;
  std::string_view headLocaleColumn;  // as the head filter spells it
  std::string_view bodyView;
  bool emptyByFalseFilter;  // without a voucher: "Where 1 = 2" rather than "AutoID = 0"
  std::string_view operTemplateJoin;
  std::string_view operCardClose;  // what follows the first quoted card number
  std::string_view operOrder;
};

extern const VoucherReadKind kLoanReads;
extern const VoucherReadKind kClaimReads;

// The voucher is the AutoID attribute of the first child of `in`, else `currentAutoID`; an
// AutoID that is not a whole number, or names a voucher outside the user's data rights
// (VoucherRights), names no voucher. Without a voucher the empty template
// comes back (the schema, no row). `strItem` is the name of the head's item, `NumPoint` the
// decimals of its currency. With `cardNumber` given, a found head sets it from its type code:
// "KX02" for an income claim, "KX03" for an expense claim, else "KX01".
bool ReadVoucherHead(const VoucherReadKind& kind, FuncCall& call, const std::string& currentAutoID,
                     std::string* cardNumber);

// The voucher's lines, the voucher found as by ReadVoucherHead.
bool ReadVoucherBody(const VoucherReadKind& kind, FuncCall& call, const std::string& currentAutoID);

// The operation types whose display and print templates both belong to the card and lie within
// the user's template rights. The card is `in/type`; with `cardNumber` given (claims) it is
// `*cardNumber` while there is a current voucher, else `in/type`, which is then stored in
// `*cardNumber`. An empty `strShowModel` takes the display template of the first type listed.
bool ReadOperList(const VoucherReadKind& kind, FuncCall& call, bool hasCurrentVoucher, std::string* cardNumber,
                  std::string& strShowModel);

}  // namespace corvane
