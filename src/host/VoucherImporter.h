#pragma once
// The host ledger's voucher importer: writes one general-ledger voucher (rows of GL_accvouch) from
// a draft table of the module's ledger lines.
//
// Contract callers rely on:
// - It works through the connection it was created with, the request's own, inside the caller's
//   transaction: the voucher it writes commits or rolls back with the caller's work.
// - InitLogin takes the account, year and user of the login; TableName names the draft table as
//   "tempdb.." followed by a plain name (letters, digits, underscores); Run writes the voucher.
// - Run imports the lines with a debit or credit amount, in line order, as one voucher of the
//   draft's type word (csign) and date (dbill_date), numbered (ino_id) one above the highest number
//   of that type word in the date's period of the login year, tagged with the draft's batch id
//   (coutno_id), source system and source voucher GUIDs (coutid).
// - Run refuses, writing nothing, with an error number and text of its own (below): no login,
//   a table name of another form, no line with an amount, lines that disagree on type word, date
//   or batch id, a date in no open period of the login year, a closed period, a line account that
//   is empty or not in the chart of accounts, debits unequal to credits, a batch id that a
//   ledger voucher not voided carries already. A database failure answers false with the
//   database's error number and description; the caller's rollback then removes what was written.
// - Members answer true when done; LastErrorNumber is 0 and LastErrorText "" after a true answer.

#include <cstdint>
#include <memory>
#include <string>

namespace corvane {

namespace db {
class Connection;
}
class LoginContext;

namespace importer_error {
constexpr std::int32_t kNoLogin = 1;
constexpr std::int32_t kTableName = 2;
constexpr std::int32_t kNoLines = 3;
constexpr std::int32_t kLinesDisagree = 4;
constexpr std::int32_t kNoPeriod = 5;
constexpr std::int32_t kClosedPeriod = 6;
constexpr std::int32_t kUnknownAccount = 7;
constexpr std::int32_t kUnbalanced = 8;
constexpr std::int32_t kBatchImported = 9;
}  // namespace importer_error

class VoucherImporter {
 public:
  virtual ~VoucherImporter() = default;

  virtual bool InitLogin(const LoginContext& ologin) = 0;
  virtual void TableName(const std::string& draftTable) = 0;
  virtual std::string TableName() const = 0;
  virtual bool Run() = 0;
  virtual std::int32_t LastErrorNumber() const = 0;
  virtual std::string LastErrorText() const = 0;  // in the request's language
};

// The embedded importer, working on `requestConnection`, which must outlive it.
std::unique_ptr<VoucherImporter> CreateVoucherImporter(db::Connection& requestConnection);

}  // namespace corvane
