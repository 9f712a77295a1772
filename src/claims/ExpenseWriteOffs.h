#pragma once
// Writing a claimant's loans off against a claim: the loan lines a claim may write off, the
// write-offs it holds, and saving them. On an approved claim the save also settles the loan
// lines and loans; on any claim it recomputes the claim's settled flag and verifier. A claim, or
// a loan line, outside the user's data rights answers as one that does not exist.

namespace corvane {

struct FuncCall;

// "GetLoanInfo": with `in`'s `strLoanID` the claimant's approved loan lines in the claim's
// currency and rate that are open or written off by this claim (`GUID`); with `GUID` alone the
// claim's write-offs. Either shows only loans within the user's data rights. "<Rows><row .../></Rows>".
bool GetLoanInfo(FuncCall& call);

// "SaveLoanInfo": replaces the claim's write-offs by the rows under `in`'s first child (none when
// `del` is "1") after checking the row versions of the claim, the loan lines and the write-offs,
// under the right "KX020302" (claim not approved) or "KX020305" (approved), which it takes and
// releases itself. Refuses write-offs that leave the claim paying out less than its lines sent to
// the net bank (ClaimPayout.h). Hands the claim's new row version to a "SaveExpenInfo" func of the
// same request and answers as GetLoanInfo for the same func.
bool SaveLoanInfo(FuncCall& call);

}  // namespace corvane
