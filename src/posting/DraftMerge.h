#pragma once
// Merging the lines of a draft ledger voucher: each line joins an earlier line of the same side,
// account and auxiliary values (and, as the company's merge options say, summary, document date,
// user-defined fields, settle style and bill number), their amounts added up, into a new draft
// table.

#include <string>
#include <utility>
#include <vector>

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// The merge options as two flag texts of "0" and "1": the item-side accounts' (iokm_zy, iokm_km,
// iokm_fzx, iokm_djrq, iokm_zdy) and the payment-side accounts' (opkm_zy, opkm_km, opkm_fzx,
// opkm_djrq, opkm_jsfs, opkm_pjbh, opkm_zdy).
struct MergeOptions {
  std::string itemFlags = "00000";
  std::string paymentFlags = "0000000";
};

// Marks the 1-based `position` of `flags` "1".
void SetFlagChar(std::string& flags, int position);

// The options of (name, value) rows: a name matched in any case, on when the value is "true" in
// any case; other names are ignored and a missing option stays off.
MergeOptions ReadMergeOptions(const std::vector<std::pair<std::string, std::string>>& rows);

// The columns a line must share with an earlier line to merge into it, besides its side: for
// accounts of the item side (`side` 0) or the payment side (1). Empty for any other side, whose
// lines never merge.
std::vector<std::string> MergeKeyColumns(int side, const MergeOptions& options);

// Merges the lines of the draft `source` into a new draft table and answers its name. The merged
// lines are numbered 1, 2, 3 in the order of their first line; each holds the sums of the amounts,
// quantities and document counts of its lines, the later lines' other values, and the GUIDs of all
// its source vouchers (VouchGUID, separated by commas). A merged line without account or without
// amount on its side takes no further line. Refuses a draft without lines (9000, 0296) and a line
// without side (9000, 0371 when no table); database errors reach the caller.
std::string MergePZRows(db::Connection& CN, const LoginContext& ologin, const std::string& source);

}  // namespace corvane
