#pragma once
// Loan vouchers (cash advances to persons): the voucher form's reads, navigation and lookup,
// deletion, submission to the approval flow, and the save with its checks. One right, KX020101,
// covers the whole request; the first writing func opens the request's transaction, which then
// holds to the end of the request.

#include <span>
#include <string>

#include "request/RequestFrame.h"

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
  // "vchmoduleget": the form template; an empty `in/id` names the current voucher's template.
  bool VchModuleGet(FuncCall& call);
  // "vchnoformatget": the voucher number format.
  bool VchNoFormatGet(FuncCall& call);
  // "getVouchListID": steps to another voucher in entry and answers the list of them.
  bool GetVouchListID(FuncCall& call);
  // "getVouchByGUID": makes the loan or claim of `in/GUID` the current voucher.
  bool GetVouchByGUID(FuncCall& call);
  // "delvouch": deletes a voucher still in entry with its lines and its flow record.
  bool DelVouch(FuncCall& call);
  // "submitaudit": submits a saved voucher and answers its new row version.
  bool SubmitAudit(FuncCall& call);
  // "savevouch", "CheckLoanXY", "GetHXInfo", "CheckModify": the save and its checks (LoanSave.h).
  bool SaveVouch(FuncCall& call);
  bool CheckLoanXY(FuncCall& call);
  bool GetHXInfo(FuncCall& call);
  bool CheckModify(FuncCall& call);
  // Enters the voucher of a head row into its approval flow and marks it submitted; failures
  // raise to the caller.
  bool InitAudit(LoginContext& m_objLogin, db::Connection& CN, const XmlNode& oNode);

  std::string AutoID;        // the current voucher; empty when there is none
  std::string strShowModel;  // display template of the current voucher or operation type
};

}  // namespace corvane
