#pragma once
// The ledger accounts and line values of draft ledger lines: the item-side account of an income
// or expense line, the payment-side account of a receipt or payment line, the side an account
// belongs to, a source voucher's user-defined fields and numbers as SQL text. Every lookup runs
// on the request's connection; database errors reach the caller.

#include <string>

#include "platform/com/Variant.h"

namespace corvane {

namespace db {
class Connection;
}

// A ledger account and its name; both empty when no setting matched.
struct LedgerAccount {
  std::string code;
  std::string name;
  bool mayChangeSide = false;  // a negative amount moves the line to the other side
};

// The account set in KX_PzSet_IO for the operation type, item and currency; when no setting
// names the item, any setting of the operation type in that currency (the first by its key).
LedgerAccount GetIOSubject(db::Connection& CN, const std::string& operationType, const std::string& item,
                           const std::string& currency);

// The account set in KX_PzSet_OP for receipts (`kind` "1") or payments (any other kind) with that
// balance type, bank and currency, searched from the most specific setting to looser ones.
LedgerAccount GetOPSubject(db::Connection& CN, const std::string& kind, const std::string& balanceType,
                           const std::string& bank, const std::string& currency);

// 0 when `code` is an account of the item-side settings, 1 when of the payment-side settings
// (an account in both counts as item side), -1 otherwise.
int GetSubjectSide(db::Connection& CN, const std::string& code);

// The sixteen user-defined fields of the voucher head `table` ("kx_expenvouch" or "kx_loanvouch",
// any case) with GUID `guid`, each preceded by a comma, as SQL values: numbers and Booleans
// quoted, texts as literals, Null as Null. Sixteen Nulls when the head is not found, the table is
// another, or the read fails.
std::string GetCDefineValues(const std::string& table, const std::string& guid, db::Connection& CN);

// A number as SQL text: "0" for Null and for a value that is not numeric; otherwise the number
// at the start of the value's text, written with at most 15 significant digits, "." as decimal
// point and no grouping, whatever the locale. Amounts (Currency) are written exactly.
std::string NumStr(const Variant& value);

}  // namespace corvane
