#pragma once
// Registration of a cheque in the host's cheque book, when a voucher paid by cheque is approved
// or posted.

#include <string>

#include "platform/com/Variant.h"

namespace corvane {

class LoginContext;

// Hands one cheque to the cheque book through the cheque components of the login object's host,
// created for this call and released at its end (the database object is closed on every way out). Answers true
// when the registration was made or needs nothing more; `notice` then holds the book's remark
// for the user (the cheque is registered already; it will be registered on saving), or stays
// empty. With `noWrite` the registration of a new cheque is started but not written.
// Answers false after any failure (an empty account, number or settlement style, a refused
// cheque, a problem of the book or the database) with the failure's description in `notice`,
// so that a caller that reads only the notice never takes a failure for a registration.
// Never raises.
bool RegisterCheque(LoginContext& ologin, bool noWrite, const std::string& accountCode, const std::string& chequeNumber,
                    const std::string& settleStyle, Currency amount, const DateTime& billDate,
                    const std::string& remark, const std::string& department, const std::string& person,
                    const std::string& payee, std::string& notice);

}  // namespace corvane
