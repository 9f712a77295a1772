#pragma once
// Income and expense claims: the claim form's reads, navigation and lookup, deletion, submission
// to the approval flow, the save, the expense standards of its lines, the loans a claim writes
// off and its receipt and payment lines. One right, KX020301, covers the whole request; the first
// writing func opens the request's transaction, which then holds to the end of the request.
// The current claim's card fills the card of the template and numbering funcs that follow.

#include <span>
#include <string>

#include "request/RequestFrame.h"

namespace corvane {

class CExpense;

// Served outside this class (the claim save, the standards and the write-off and balance lines).
bool SaveExpenseVoucher(CExpense& claim, FuncCall& call);
bool GetStand(FuncCall& call);
bool GetLoanInfo(FuncCall& call);
bool SaveLoanInfo(FuncCall& call);
bool GetExpenInfo(FuncCall& call);
bool SaveExpenInfo(FuncCall& call);

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
  // "vchmoduleget": the form template. An empty `in/id` names the current template; the card
  // `in/type` is the current claim's whenever there is one, or when the request names none.
  bool VchModuleGet(FuncCall& call);
  // "vchnoformatget": the number format of the current card, else of `in/type`.
  bool VchNoFormatGet(FuncCall& call);
  // "getVouchListID": steps to another claim in entry ("-3": the claim of `in/strAutoID` in any
  // state) and answers the list of claims in entry with their type codes.
  bool GetVouchListID(FuncCall& call);
  // "getVouchByGUID": makes the loan or claim of `in/GUID` the current voucher, with its card.
  bool GetVouchByGUID(FuncCall& call);
  // "delvouch": deletes a voucher still in entry; the voucher after it becomes current.
  bool DelVouch(FuncCall& call);
  // "submitaudit": submits a saved claim and answers its new row version.
  bool SubmitAudit(FuncCall& call);
  // "savevouch": the claim save.
  bool SaveVouch(FuncCall& call) { return SaveExpenseVoucher(*this, call); }
  // "GetStand": the expense standards that apply to the lines of a claim form.
  bool GetStand(FuncCall& call) { return corvane::GetStand(call); }
  // "GetLoanInfo", "SaveLoanInfo": the claimant's loans and the claim's write-offs of them.
  bool GetLoanInfo(FuncCall& call) { return corvane::GetLoanInfo(call); }
  bool SaveLoanInfo(FuncCall& call) { return corvane::SaveLoanInfo(call); }
  // "GetExpenInfo", "SaveExpenInfo": the claim's receipt and payment lines.
  bool GetExpenInfo(FuncCall& call) { return corvane::GetExpenInfo(call); }
  bool SaveExpenInfo(FuncCall& call) { return corvane::SaveExpenInfo(call); }
  // Enters the voucher of a head row into its approval flow and marks it submitted; failures
  // raise to the caller.
  bool InitAudit(LoginContext& m_objLogin, db::Connection& CN, const XmlNode& oNode);

  std::string AutoID;        // the current claim; empty when there is none
  std::string strShowModel;  // display template of the current claim or operation type
  std::string strCardNum;    // card of the current voucher: "KX02" income, "KX03" expense, "KX01" loan
};

}  // namespace corvane
