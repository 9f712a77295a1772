#include "host/VoucherImporter.h"

#include <optional>
#include <regex>

#include "host/ComponentText.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

constexpr ComponentText kNoLoginText{"凭证引入未登录。", "The voucher importer has no login."};
constexpr ComponentText kTableNameText{"凭证草稿表名无效。", "The draft table name is not valid."};
constexpr ComponentText kNoLinesText{"凭证草稿没有借方或贷方金额的分录。",
                                     "The draft holds no line with a debit or credit amount."};
constexpr ComponentText kLinesDisagreeText{"凭证草稿的分录凭证类别、日期或批号不一致。",
                                           "The lines of the draft differ in voucher type, date or batch."};
constexpr ComponentText kNoPeriodText{"凭证日期不在登录年度的会计期间内。",
                                      "The voucher date lies in no accounting period of the login year."};
constexpr ComponentText kClosedPeriodText{"凭证日期所在期间已结账，不能引入凭证。",
                                          "The period of the voucher date is closed. No voucher can be imported."};
constexpr ComponentText kUnknownAccountText{"分录科目为空或不存在：", "A line's account is empty or does not exist: "};
constexpr ComponentText kUnbalancedText{"凭证借贷不平衡。", "The debits and credits of the voucher differ."};
constexpr ComponentText kBatchImportedText{"该批凭证已引入总账。", "The ledger holds a voucher of this batch already."};

// What every line of the draft shares: the voucher's type word, date and batch id.
struct VoucherHead {
  std::string sign;
  DateTime date;
  std::string batch;
};

// A refusal of the importer, carried to Run's answer.
struct Refusal {
  std::int32_t number;
  std::string text;
};

[[noreturn]] void refuse(std::int32_t number, const ComponentText& text, const std::string& detail = "") {
  throw Refusal{number, inLocale(text) + detail};
}

// The lines the voucher takes: those with a debit or credit amount.
const std::string kAmountCondition = "(IsNull(md,0) <> 0 Or IsNull(mc,0) <> 0)";
const std::string kAmountLines = " Where " + kAmountCondition;

class EmbeddedVoucherImporter final : public VoucherImporter {
 public:
  explicit EmbeddedVoucherImporter(db::Connection& connection) : CN_(connection) {}

  bool InitLogin(const LoginContext& ologin) override {
    clearError();
    const std::optional<Currency> year = Currency::parse(ologin.LoginYear());
    if (ologin.AccountId().empty() || !year) return fail(importer_error::kNoLogin, inLocale(kNoLoginText));
    accountId_ = ologin.AccountId();
    year_ = static_cast<int>(year->scaled() / 10000);
    userName_ = ologin.UserName();
    loggedIn_ = true;
    return true;
  }

  void TableName(const std::string& draftTable) override { table_ = draftTable; }
  std::string TableName() const override { return table_; }

  bool Run() override {
    clearError();
    try {
      importDraft();
      return true;
    } catch (const Refusal& refusal) {
      return fail(refusal.number, refusal.text);
    } catch (const RuntimeError& error) {
      return fail(error.number(), error.description());
    }
  }

  std::int32_t LastErrorNumber() const override { return errorNumber_; }
  std::string LastErrorText() const override { return errorText_; }

 private:
  void importDraft() {
    if (!loggedIn_) refuse(importer_error::kNoLogin, kNoLoginText);
    static const std::regex kDraftName(R"(tempdb\.\.[A-Za-z0-9_]+)");
    if (!std::regex_match(table_, kDraftName)) refuse(importer_error::kTableName, kTableNameText);
    const VoucherHead head = readHead();
    refuseImportedBatch(head.batch);
    const int period = periodOf(head.date);
    refuseClosedPeriod(period);
    refuseUnknownAccount();
    refuseUnbalanced();
    writeVoucher(period, nextNumber(head.sign, period));
  }

  VoucherHead readHead() {
    db::Recordset rs;
    rs.openReadOnly("Select Distinct IsNull(csign,'') As csign, dbill_date, IsNull(coutno_id,'') As coutno_id From " +
                        table_ + kAmountLines,
                    CN_);
    if (rs.eof()) refuse(importer_error::kNoLines, kNoLinesText);
    const Variant& date = rs.field("dbill_date").value();
    VoucherHead head{CStr(rs.field("csign").value()), DateTime{}, CStr(rs.field("coutno_id").value())};
    if (rs.recordCount() != 1 || head.sign.empty() || head.batch.empty() || !IsDate(date))
      refuse(importer_error::kLinesDisagree, kLinesDisagreeText);
    head.date = CDate(date);
    return head;
  }

  void refuseImportedBatch(const std::string& batch) {
    db::Recordset rs;
    rs.openReadOnly(
        "Select Top 1 i_id From GL_accvouch Where IsNull(iflag,0) <> 1 And coutno_id = " + db::quoteLiteral(batch),
        CN_);
    if (!rs.eof()) refuse(importer_error::kBatchImported, kBatchImportedText);
  }

  int periodOf(const DateTime& date) {
    const DateTime day{date.year, date.month, date.day};
    db::Recordset rs;
    rs.openReadOnly("Select iID From VqSystem..UA_Period Where " + db::quoteLiteral(day.toSqlString()) +
                        " Between dBegin And dEnd And iYear = " + std::to_string(year_) +
                        " And cAcc_ID = " + db::quoteLiteral(accountId_) + " And bIsDelete = 0",
                    CN_);
    if (rs.eof()) refuse(importer_error::kNoPeriod, kNoPeriodText);
    return CLng(rs.field(0).value());
  }

  // The ledger closes its periods in order: a closed period at or after this one closes it.
  void refuseClosedPeriod(int period) {
    db::Recordset rs;
    rs.openReadOnly("Select Count(*) From gl_mend Where bflag = 1 And iperiod >= " + std::to_string(period), CN_);
    if (CLng(rs.field(0).value()) > 0) refuse(importer_error::kClosedPeriod, kClosedPeriodText);
  }

  void refuseUnknownAccount() {
    db::Recordset rs;
    rs.openReadOnly("Select IsNull(ccode,'') From " + table_ + kAmountLines +
                        " And (IsNull(ccode,'') = '' Or ccode Not In "
                        "(Select ccode From code))",
                    CN_);
    if (!rs.eof()) refuse(importer_error::kUnknownAccount, kUnknownAccountText, CStr(rs.field(0).value()));
  }

  void refuseUnbalanced() {
    db::Recordset rs;
    rs.openReadOnly("Select IsNull(md,0) As md, IsNull(mc,0) As mc From " + table_ + kAmountLines, CN_);
    Currency debit;
    Currency credit;
    for (; !rs.eof(); rs.moveNext()) {
      debit = debit + CCur(rs.field("md").value());
      credit = credit + CCur(rs.field("mc").value());
    }
    if (debit != credit) refuse(importer_error::kUnbalanced, kUnbalancedText);
  }

  int nextNumber(const std::string& sign, int period) {
    db::Recordset rs;
    rs.openReadOnly("Select IsNull(Max(ino_id),0) From GL_accvouch Where iperiod = " + std::to_string(period) +
                        " And csign = " + db::quoteLiteral(sign) + " And IsNull(iyear," + std::to_string(year_) +
                        ") = " + std::to_string(year_),
                    CN_);
    return CLng(rs.field(0).value()) + 1;
  }

  void writeVoucher(int period, int number) {
    const std::string year = std::to_string(year_);
    const std::string periodText = std::to_string(period);
    CN_.execute(
        "Insert Into GL_accvouch (iperiod, csign, ino_id, inid, dbill_date, idoc, cbill, cdigest, ccode, "
        "cexch_name, md, mc, md_f, mc_f, nfrat, nd_s, nc_s, csettle, cn_id, dt_date, cdept_id, cperson_id, "
        "ccus_id, csup_id, citem_id, citem_class, ccode_equal, ioutyear, coutsysname, coutsysver, "
        "doutbilldate, ioutperiod, coutsign, coutno_id, doutdate, coutbillsign, coutid, iyear, iYPeriod, "
        "ibook) Select " +
        periodText + ", csign, " + std::to_string(number) + ", inid, dbill_date, idoc, IsNull(cbill," +
        db::quoteLiteral(userName_) +
        "), cdigest, ccode, cexch_name, IsNull(md,0), IsNull(mc,0), IsNull(md_f,0), IsNull(mc_f,0), "
        "IsNull(nfrat,0), IsNull(nd_s,0), IsNull(nc_s,0), csettle, cn_id, dt_date, cdept_id, cperson_id, "
        "ccus_id, csup_id, citem_id, citem_class, ccode_equal, ioutyear, coutsysname, coutsysver, "
        "doutbilldate, ioutperiod, coutsign, coutno_id, doutdate, coutbillsign, coutid, " +
        year + ", " + std::to_string(year_ * 100 + period) + ", 0 From " + table_ + kAmountLines + " Order By inid");
  }

  void clearError() {
    errorNumber_ = 0;
    errorText_.clear();
  }

  bool fail(std::int32_t number, std::string text) {
    errorNumber_ = number;
    errorText_ = std::move(text);
    return false;
  }

  db::Connection& CN_;
  bool loggedIn_ = false;
  std::string accountId_;
  int year_ = 0;
  std::string userName_;
  std::string table_;
  std::int32_t errorNumber_ = 0;
  std::string errorText_;
};

}  // namespace

std::unique_ptr<VoucherImporter> CreateVoucherImporter(db::Connection& requestConnection) {
  return std::make_unique<EmbeddedVoucherImporter>(requestConnection);
}

}  // namespace corvane
