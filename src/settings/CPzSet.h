#pragma once
// The ledger accounts that ledger-voucher making uses (per operation type, item and currency for
// income and expense lines; per direction, balance type, bank and currency for receipts and
// payments) and the posting options that decide how it merges lines (rows 2xx of the option
// table, module KX). One right and one transaction cover the whole request.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CPzSet : public FramedClass<CPzSet> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CPzSet>> kFuncs;

  // "getiokm": the income and expense account rules as `Rows`.
  bool GetIOKM(FuncCall& call);
  // "saveiokm": saves the rows under the first child of `in`, then answers as "getiokm".
  bool SaveIOKM(FuncCall& call);
  // "getopkm": the receipt and payment account rules as `Rows`, directions in the request's
  // locale.
  bool GetOPKM(FuncCall& call);
  // "saveopkm": saves the rows under the first child of `in`, then answers as "getopkm".
  bool SaveOPKM(FuncCall& call);
  // "gethb": the posting options as one `head` element, in id order.
  bool GetHB(FuncCall& call);
  // "savehb": stores the attributes of the first child of `in` under the posting options of
  // their names, then answers as "gethb".
  bool SaveHB(FuncCall& call);
};

}  // namespace corvane
