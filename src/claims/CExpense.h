#pragma once
// Income and expense claims. For now the class serves the reads of its voucher form: the head,
// the lines and the operation types of a card; it answers the loan-named read funcs with claims.

#include <span>
#include <string>

#include "core/RequestFrame.h"

namespace corvane {

class CExpense : public FramedClass<CExpense> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CExpense>> kFuncs;

  // Every request starts without a current claim.
  void myHandle(LoginContext* ologin, XmlDocument& oXml) override;

  // "vchgetloanheaddata": the head of the claim named by the request, else of the current one;
  // a found claim sets strCardNum from its kind.
  bool GetVoucherHead(FuncCall& call);
  // "vchgetloanbodydata": its lines.
  bool GetVoucherBody(FuncCall& call);
  // "getOperList": the operation types of the current claim's card, or without a current claim
  // of the card `in/type` (which then becomes strCardNum).
  bool GetOperList(FuncCall& call);

  std::string AutoID;        // the current claim; empty when there is none
  std::string strShowModel;  // display template of the current claim or operation type
  std::string strCardNum;    // card of the current claim: "KX02" income, "KX03" expense
};

}  // namespace corvane
