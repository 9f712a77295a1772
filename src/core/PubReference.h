#pragma once
// The public services that hand the web pages host data for their own checks and defaults:
// options ("accget", "accget2"), a user's rights ("authget"), currencies ("currencyget"), the
// exchange rate of a currency at a date ("hlget") and the rows of a client's SELECT
// ("selectget"). All read through the request's connection; none writes. Each answers true
// after writing its reply, or writes its own error reply and answers false.

namespace corvane {

struct FuncCall;

// "<rows>" + a <row csysid=.. cname=.. .../> per option of the systems AA, GL and KX and six
// named date options + "</rows>".
bool accGet(FuncCall& call);
// "<rows>" + the options of system AA + "</rows>".
bool accGet2(FuncCall& call);
// "<rows>" + a <row name='right id in lower case'/> per right the user (the text of `user` under
// `in`, else the logged-in user) holds in the login account and year, himself or through a
// group + "</rows>".
bool authGet(FuncCall& call);
// "<rows>" + a row per currency + "</rows>".
bool currencyGet(FuncCall& call);
// "<hl>rate</hl>": the rate of currency `exchname` at the date `curdate` (the login date when
// empty): the period rate of the date's period when the account keeps rates per period (option
// iXchgRateStl of AA), else the day's rate, falling back to the period rate; empty when none.
bool hlGet(FuncCall& call);
// "<rows>" + the rows of the SELECT in `sql` under `in` + "</rows>". Any text that is not a
// single SELECT is refused before it reaches the database (error 5).
bool selectGet(FuncCall& call);

}  // namespace corvane
