#pragma once
// The working state of one request's ledger-voucher making: what draft making hands from member
// to member (the draft table, the voucher's date and type word, the next line number, the
// vouchers claimed and the batch id), and what the conversion reads afterwards.

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// A source voucher claimed for the ledger voucher being made: its head carries the claim mark (a
// single TAB in strMakerID) from the claim until the conversion posts it or the release gives it
// back.
struct ClaimedVoucher {
  std::string head;  // "KX_ExpenVouch" or "KX_LoanVouch"
  std::string guid;
  std::string vouchId;
  std::string claimSql;  // marks the voucher; affects one row only while it is approved and free
  std::string version;   // the head's row version (Cast(ts As money)) right after the claim
};

struct DraftState {
  std::string table;          // "tempdb.." + the draft table's name; empty before CreatePZTbl
  std::string voucherDate;    // dbill_date of every line, as the request gives it
  std::string voucherType;    // csign (and coutsign) of every line
  std::int32_t nextLine = 1;  // the inid of the next line written
  std::vector<ClaimedVoucher> claims;
  // The kind digit of the first source voucher followed by 29 hexadecimal digits; only the 29
  // digits until the first voucher is handled.
  std::string batchId;
  bool preview = false;             // a draft made only to be shown: nothing is claimed
  std::vector<std::string> tables;  // every draft table made for this draft, the merged one last

  // The claim mark written into strMakerID.
  static constexpr const char* kClaimMark = "\t";
};

}  // namespace corvane
