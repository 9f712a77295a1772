#pragma once
// The voucher lists of every work step: the vouchers to approve (loans, claims), the ledger
// vouchers made, the lines to pay and the vouchers to post. Each func answers one page of its
// list (reports/PagedList.h) and writes nothing; the class takes no right for the request and
// opens no transaction. "listloandata", "listrepaydata" and "listpzdata" take their own right,
// whose refusal is that func's answer while the walk goes on.
//
// A member answers true with the PagedReply, or false after loading
// "<error><id>Corvane:CQuery:<member>:<number></id><text>...</text></error>": 1001 when nothing
// matches, 1011 beyond 10000 rows, any other run-time error with its number (the list's failure
// text when it has no description). The dispatcher's own errors answer
// "<error><id>Corvane:CQuery:myHandle</id>..." without a number.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CQuery : public FramedClass<CQuery> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CQuery>> kFuncs;

  bool ListLoanData(FuncCall& call);
  bool ListRepayData(FuncCall& call);
  bool ListPZData(FuncCall& call);
  bool ListNetpayData(FuncCall& call);
  bool ListMakePZData(FuncCall& call);
};

}  // namespace corvane
