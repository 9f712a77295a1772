#pragma once
// The payment-side ledger account of a payment, from the account settings KX_PzSet_OP: shared by
// the cheques of approved loans and by ledger-voucher making.

#include <string>

namespace corvane {

namespace db {
class Connection;
}

// The ledger account (strSubject) set for payments of `selector` ("1": receipts, anything else:
// payments) with that balance type, bank and currency, looked up from the most specific setting to
// looser ones: all three; balance type and currency with any bank; bank and currency with any
// balance type; a balance type that begins with the given one and the currency. The empty text
// when no setting matches; a database or run-time error raises, so that the caller never takes a
// failed lookup for a missing setting.
std::string GetPzSetSubject(db::Connection& CN, const std::string& selector, const std::string& balanceType,
                            const std::string& bank, const std::string& currency);

}  // namespace corvane
