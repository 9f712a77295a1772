#pragma once
// The loan voucher's writing and checking funcs: the save, the borrower's loan-limit warnings,
// the write-off view of a voucher's lines and the guard that tells the form whether a voucher may
// still change. Each answers true, or false after loading its error reply into `call.oXml`
// ("Corvane:CLoan:<procedure>:<number>"). A loan outside the user's data rights answers as one
// that does not exist; a borrower outside them is refused (0721).

namespace corvane {

class CLoan;
struct FuncCall;

// "savevouch": checks and stores the voucher of `in/xml` (head row and lines) inside the
// request's transaction, numbers a new one, submits it when the module submits on save, and hands
// the stored voucher to the request's "getVouchListID" func.
bool SaveLoanVoucher(CLoan& loan, FuncCall& call);

// "CheckLoanXY": one warning row per loan limit the borrower of the head row under `in` would
// break, and whether any of them is a hard limit. Writes nothing.
bool CheckLoanXY(FuncCall& call);

// "GetHXInfo": the lines of the voucher `in/*/@GUID`, each followed by the claims' write-offs of it.
bool GetHXInfo(FuncCall& call);

// "CheckModify": "<Rows />" when the voucher named by the text of `in` may change: with `in/@flag`
// "0" while it is not submitted, otherwise while no claim has written off one of its lines.
bool CheckModify(FuncCall& call);

}  // namespace corvane
