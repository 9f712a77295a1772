#pragma once
// Loan vouchers (cash advances to persons). For now the class serves the reads of its voucher
// form: the head, the lines and the operation types of a card.

#include <span>
#include <string>

#include "core/RequestFrame.h"

namespace corvane {

class CLoan : public FramedClass<CLoan> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CLoan>> kFuncs;

  // Every request starts without a current voucher.
  void myHandle(LoginContext* ologin, XmlDocument& oXml) override;

  // "vchgetloanheaddata": the head of the voucher named by the request, else of the current one.
  bool GetVoucherHead(FuncCall& call);
  // "vchgetloanbodydata": its lines.
  bool GetVoucherBody(FuncCall& call);
  // "getOperList": the operation types of the card `in/type`.
  bool GetOperList(FuncCall& call);

  std::string AutoID;        // the current voucher; empty when there is none
  std::string strShowModel;  // display template of the current voucher or operation type
};

}  // namespace corvane
