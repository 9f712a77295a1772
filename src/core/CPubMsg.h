#pragma once
// Public services: what the web pages ask outside a voucher or setting of their own. Served
// without a function right and without a transaction: every write a member makes stands at
// once. Four funcs serve the voucher form reads of loans and claims (src/vouchers) without a
// current voucher, so that a page can show a voucher without holding the voucher class's right.
//
// Every member answers true, or false after loading its own error reply
// ("Corvane:CPubMsg:<procedure>:<number>", business failures with number 0) into `call.oXml`.
// VchModuleGet, VchNoGet and VchNoFormatGet answer through the voucher services' own functions
// (ServeTemplate, ServeNumberFormat, ServeVoucherNumber), which the voucher classes and the
// voucher save call too, the save with func elements of its own making.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CPubMsg : public FramedClass<CPubMsg> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CPubMsg>> kFuncs;

  bool editTimeGet(FuncCall& call);
  bool ztInfoGet(FuncCall& call);
  bool menuGet(FuncCall& call);
  bool ztGet(FuncCall& call);
  bool accGet(FuncCall& call);
  bool accGet2(FuncCall& call);
  bool authGet(FuncCall& call);
  bool currencyGet(FuncCall& call);
  bool hlGet(FuncCall& call);
  bool selectGet(FuncCall& call);
  bool itemRefer(FuncCall& call);
  bool userdefCheck(FuncCall& call);
  bool userdefData(FuncCall& call);
  bool referCheck(FuncCall& call);
  bool RptColumnGet(FuncCall& call);
  bool RptColumnSet(FuncCall& call);
  bool VchModuleGet(FuncCall& call);
  bool VchModuleListGet(FuncCall& call);
  bool VchNoFormatGet(FuncCall& call);
  bool VchNoGet(FuncCall& call);
  bool VchPrintDataGet(FuncCall& call);
  bool VchPrintDataSet(FuncCall& call);
  bool VchFixedDataGet(FuncCall& call);
  bool VchLogoGet(FuncCall& call);
  bool LoanHeadData(FuncCall& call);
  bool LoanBodyData(FuncCall& call);
  bool ExpenseHeadData(FuncCall& call);
  bool ExpenseBodyData(FuncCall& call);
  bool addLock(FuncCall& call);
};

}  // namespace corvane
