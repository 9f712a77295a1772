#include "host/BudgetChecker.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "host/ComponentText.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

constexpr int kRefused = 0;
constexpr int kOverBudget = 1;
constexpr int kWithinBudget = 2;
constexpr int kNoOpenPeriod = 3;

constexpr ComponentText kNoPeriod{"单据日期不在预算系统已开放的期间内。",
                                  "The voucher's date lies in no open budget period."};
constexpr ComponentText kNoItem{"预算项目不存在：", "The budget item does not exist: "};
constexpr ComponentText kNoLine{"预算单据没有启用的分录。", "The budget voucher has no enabled line."};
constexpr ComponentText kBadAmount{"预算金额不是数字：", "The budget amount is not a number: "};
constexpr ComponentText kOver{"超出预算。预算额 {0}，已用 {1}，本单 {2}。",
                              "Over budget: budget {0}, used {1}, this voucher {2}."};
constexpr ComponentText kOverRefused{"超出预算，不允许审核。预算额 {0}，已用 {1}，本单 {2}。",
                                     "Over budget and refused: budget {0}, used {1}, this voucher {2}."};
constexpr ComponentText kNotServed{"预算系统未为该模块启用。", "The budget system does not serve this module."};

std::string filled(const ComponentText& text, const std::array<std::string, 3>& values) {
  std::string result = inLocale(text);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string mark = "{" + std::to_string(i) + "}";
    if (const auto at = result.find(mark); at != std::string::npos) result.replace(at, mark.size(), values[i]);
  }
  return result;
}

// The item's dimension codes in order, with the voucher line's value of each ("" when unused).
struct BudgetKey {
  std::string item;
  std::array<std::string, 3> values;

  std::string where() const {
    return "cItemCode = " + db::quoteLiteral(item) + " And cPortValue1 = " + db::quoteLiteral(values[0]) +
           " And cPortValue2 = " + db::quoteLiteral(values[1]) + " And cPortValue3 = " + db::quoteLiteral(values[2]);
  }
};

bool sameCode(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

std::string lineValueOf(const BudgetVoucherEntry& line, const std::string& portCode) {
  if (portCode.empty()) return {};
  const std::array<std::pair<const std::string*, const std::string*>, 3> ports{
      {{&line.PortCode1, &line.PortValue1}, {&line.PortCode2, &line.PortValue2}, {&line.PortCode3, &line.PortValue3}}};
  for (const auto& [code, value] : ports) {
    if (sameCode(*code, portCode)) return *value;
  }
  return {};
}

Currency moneyOf(const Variant& value) { return value.isNull() ? Currency() : CCur(value); }

class EmbeddedBudget final : public BudgetChecker {
 public:
  bool InitConnection(db::Connection& connection) override {
    connection_ = connection.isOpen() ? &connection : nullptr;
    return connection_ != nullptr;
  }

  bool OpenSystem(const std::string& sysId) override {
    lastError_.clear();
    opened_ = false;
    if (connection_ == nullptr) return false;
    db::Recordset rs;
    rs.open("Select blnUsable From BudgetSystemState Where cSysID = " + db::quoteLiteral(sysId), *connection_);
    opened_ = !rs.eof() && CBool(rs.field(0).value());
    if (!opened_) lastError_ = inLocale(kNotServed);
    sysId_ = sysId;
    return opened_;
  }

  std::string LastErrorText() const override { return lastError_; }

  BudgetItem GetItem(const std::string& itemCode) override {
    db::Recordset rs;
    rs.open(
        "Select cPortCode1, cPortName1, cPortCode2, cPortName2, cPortCode3, cPortName3 "
        "From BudgetItems Where cItemCode = " +
            db::quoteLiteral(itemCode),
        connection());
    BudgetItem item;
    if (rs.eof()) return item;
    const auto text = [&rs](int i) { return rs.field(i).value().isNull() ? std::string() : CStr(rs.field(i).value()); };
    item = {text(0), text(1), text(2), text(3), text(4), text(5)};
    return item;
  }

  BudgetVoucher Check(const BudgetVoucher& voucher) override {
    BudgetVoucher answer = voucher;
    answer.Message.clear();
    if (!inOpenPeriod(voucher)) return answered(answer, kNoOpenPeriod, inLocale(kNoPeriod));
    BudgetVoucherEntry* line = firstEnabledLine(answer);
    if (line == nullptr) return answered(answer, kRefused, inLocale(kNoLine));
    const std::optional<Currency> amount = Currency::parse(line->Amount);
    if (!amount) return answered(answer, kRefused, inLocale(kBadAmount) + line->Amount);
    db::Recordset item;
    item.open(
        "Select cPortCode1, cPortCode2, cPortCode3, iControlType, bRefuseOver From BudgetItems "
        "Where cItemCode = " +
            db::quoteLiteral(line->BudgetItemCode),
        connection());
    if (item.eof()) return answered(answer, kRefused, inLocale(kNoItem) + line->BudgetItemCode);
    BudgetKey key{line->BudgetItemCode, {}};
    for (int i = 0; i < 3; ++i) {
      key.values[i] = lineValueOf(*line, item.field(i).value().isNull() ? "" : CStr(item.field(i).value()));
    }
    const Currency held = heldBy(voucher.VoucherGuid, key);
    if (*amount > Currency()) {
      if (held > Currency()) return answered(answer, kWithinBudget, {});
      const auto [budget, used] = budgetOf(key);
      if (used + *amount > budget) {
        const std::array<std::string, 3> figures{budget.toString(), used.toString(), amount->toString()};
        if (CBool(item.field(4).value())) return answered(answer, kRefused, filled(kOverRefused, figures));
        line->ControlType = CLng(item.field(3).value());
        return answered(answer, kOverBudget, filled(kOver, figures));
      }
      book(voucher, key, *amount);
    } else if (*amount < Currency()) {
      const Currency release = -*amount < held ? *amount : -held;
      if (release < Currency()) book(voucher, key, release);
    }
    return answered(answer, kWithinBudget, {});
  }

 private:
  db::Connection& connection() const {
    if (connection_ == nullptr || !opened_) {
      raiseObjectMissing(inLocale(kNotServed));
    }
    return *connection_;
  }

  static BudgetVoucher answered(BudgetVoucher& answer, int status, std::string message) {
    answer.Status = status;
    answer.Message = std::move(message);
    return answer;
  }

  static BudgetVoucherEntry* firstEnabledLine(BudgetVoucher& voucher) {
    for (BudgetVoucherEntry& line : voucher.Entries) {
      if (line.Enabled) return &line;
    }
    return nullptr;
  }

  bool inOpenPeriod(const BudgetVoucher& voucher) const {
    const std::optional<DateTime> date = DateTime::parse(voucher.VoucherDate);
    if (!date) return false;
    const std::string day = db::quoteLiteral(DateTime{date->year, date->month, date->day}.toSqlString());
    db::Recordset rs;
    rs.open("Select 1 From BudgetPeriods Where cSysID = " + db::quoteLiteral(sysId_) +
                " And bOpen = 1 And dBegin <= " + day + " And dEnd >= " + day,
            connection());
    return !rs.eof();
  }

  // What the voucher's charges on this budget come to after its releases.
  Currency heldBy(const std::string& voucherGuid, const BudgetKey& key) const {
    db::Recordset rs;
    rs.open("Select Sum(mAmount) From BudgetLedger Where cVoucherGUID = " + db::quoteLiteral(voucherGuid) + " And " +
                key.where(),
            connection());
    return rs.eof() ? Currency() : moneyOf(rs.field(0).value());
  }

  std::pair<Currency, Currency> budgetOf(const BudgetKey& key) const {
    db::Recordset rs;
    rs.open("Select mBudget, mUsed From BudgetAmounts Where " + key.where(), connection());
    if (rs.eof()) return {Currency(), Currency()};
    return {moneyOf(rs.field(0).value()), moneyOf(rs.field(1).value())};
  }

  void book(const BudgetVoucher& voucher, const BudgetKey& key, Currency amount) const {
    const std::string money = amount.toString();
    if (connection().execute("Update BudgetAmounts Set mUsed = mUsed + " + money + " Where " + key.where()) == 0) {
      connection().execute(
          "Insert Into BudgetAmounts (cItemCode, cPortValue1, cPortValue2, cPortValue3, "
          "mBudget, mUsed) Values (" +
          db::quoteLiteral(key.item) + ", " + db::quoteLiteral(key.values[0]) + ", " + db::quoteLiteral(key.values[1]) +
          ", " + db::quoteLiteral(key.values[2]) + ", 0, " + money + ")");
    }
    connection().execute(
        "Insert Into BudgetLedger (cSysID, cVoucherGUID, cVoucherNo, cItemCode, cPortValue1, "
        "cPortValue2, cPortValue3, mAmount) Values (" +
        db::quoteLiteral(sysId_) + ", " + db::quoteLiteral(voucher.VoucherGuid) + ", " +
        db::quoteLiteral(voucher.VoucherNo) + ", " + db::quoteLiteral(key.item) + ", " +
        db::quoteLiteral(key.values[0]) + ", " + db::quoteLiteral(key.values[1]) + ", " +
        db::quoteLiteral(key.values[2]) + ", " + money + ")");
  }

  db::Connection* connection_ = nullptr;
  bool opened_ = false;
  std::string sysId_;
  std::string lastError_;
};

}  // namespace

BudgetItem BudgetChecker::GetItem(const std::string& /*itemCode*/) {
  raiseObjectMissing("The budget component cannot read budget items.");
}

BudgetVoucher BudgetChecker::Check(const BudgetVoucher& /*voucher*/) {
  raiseObjectMissing("The budget component cannot check vouchers.");
}

std::unique_ptr<BudgetChecker> EmbeddedBudgetChecker() { return std::make_unique<EmbeddedBudget>(); }

}  // namespace corvane
