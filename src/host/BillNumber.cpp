#include "host/BillNumber.h"

#include <optional>
#include <string_view>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/Transaction.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

constexpr int kDefaultSerialDigits = 4;
constexpr std::int32_t kDefaultFirstSerial = 1;

bool isTrue(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower == "true";
}

std::string twoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

// The date seed written by a format of the tokens YYYY, YY, MM and DD; an empty seed gives
// empty text.
std::string formatDate(const std::string& seed, std::string pattern) {
  if (seed.empty()) return {};
  const std::optional<DateTime> date = DateTime::parse(seed);
  if (!date) throw RuntimeError(errnum::kTypeMismatch, "The voucher date '" + seed + "' is no date.");
  for (char& c : pattern) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  const std::string year = std::to_string(date->year);
  const struct {
    std::string_view token;
    std::string value;
  } tokens[] = {{"YYYY", year},
                {"YY", year.substr(year.size() - 2)},
                {"MM", twoDigits(date->month)},
                {"DD", twoDigits(date->day)}};
  std::string text;
  for (std::size_t at = 0; at < pattern.size();) {
    bool replaced = false;
    for (const auto& token : tokens) {
      if (pattern.compare(at, token.token.size(), token.token) == 0) {
        text += token.value;
        at += token.token.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) text += pattern[at++];
  }
  return text;
}

std::string partText(const XmlNode& part) {
  const std::string kind = part.attribute("对象名称");
  if (kind == "常量") return part.attribute("内容");
  if (kind == "日期") return formatDate(part.attribute("种子"), part.attribute("格式"));
  return part.attribute("种子");
}

std::int32_t wholeNumberAttribute(const XmlNode& node, std::string_view name, std::int32_t fallback) {
  const std::string text = node.attribute(name);
  return text.empty() ? fallback : CLng(Variant(text));
}

std::string padded(std::int32_t serial, int digits) {
  std::string text = std::to_string(serial);
  if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

class EmbeddedBillNumber final : public BillNumber {
 public:
  bool InitBill(db::Connection& connection, const std::string& cardNumber) override {
    db::Recordset rs;
    rs.open("Select FormatXml From BillNumberFormat Where CardNumber = " + db::quoteLiteral(cardNumber), connection);
    if (rs.eof()) return false;
    connection_ = &connection;
    card_ = cardNumber;
    format_ = CStr(rs.field("FormatXml").value());
    return true;
  }

  std::string GetBillFormat() override {
    requireInit();
    return format_;
  }

  std::string GetNumber(const std::string& filledFormat, bool& take) override {
    requireInit();
    XmlDocument format;
    if (!format.loadXML(filledFormat)) {
      throw RuntimeError(errnum::kInvalidArgument, "The numbering format is not well-formed XML.");
    }
    const XmlNode root = format.documentElement();
    std::string prefix;
    for (const XmlNode& part : root.selectNodes("前缀")) prefix += partText(part);
    const std::int32_t first = wholeNumberAttribute(root, "起始值", kDefaultFirstSerial);
    const int digits = wholeNumberAttribute(root, "流水号长度", kDefaultSerialDigits);
    if (isTrue(root.attribute("允许手工修改"))) take = false;
    const std::int32_t serial = take ? drawSerial(prefix, first) : nextSerial(prefix, first);
    return prefix + padded(serial, digits);
  }

 private:
  void requireInit() const {
    if (connection_ == nullptr) {
      raiseObjectMissing("The numbering has no voucher card.");
    }
  }

  std::string seedFilter(const std::string& prefix) const {
    return " Where CardNumber = " + db::quoteLiteral(card_) + " And SeedPrefix = " + db::quoteLiteral(prefix);
  }

  std::optional<std::int32_t> lastSerial(const std::string& prefix) const {
    db::Recordset rs;
    rs.open("Select LastSerial From BillNumberSeed" + seedFilter(prefix), *connection_);
    if (rs.eof()) return std::nullopt;
    return CLng(rs.field("LastSerial").value());
  }

  std::int32_t nextSerial(const std::string& prefix, std::int32_t first) const {
    const std::optional<std::int32_t> last = lastSerial(prefix);
    return last ? *last + 1 : first;
  }

  // The write lock taken by the update (or by the transaction's begin) keeps every other
  // connection out until the serial is read back and committed.
  std::int32_t drawSerial(const std::string& prefix, std::int32_t first) {
    db::Transaction transaction = db::Transaction::joinOrBegin(*connection_);
    if (connection_->execute("Update BillNumberSeed Set LastSerial = LastSerial + 1" + seedFilter(prefix)) == 0) {
      connection_->execute("Insert Into BillNumberSeed (CardNumber, SeedPrefix, LastSerial) Values (" +
                           db::quoteLiteral(card_) + ", " + db::quoteLiteral(prefix) + ", " + std::to_string(first) +
                           ")");
    }
    const std::int32_t serial = *lastSerial(prefix);
    transaction.commit();
    return serial;
  }

  db::Connection* connection_ = nullptr;
  std::string card_;
  std::string format_;
};

}  // namespace

std::unique_ptr<BillNumber> CreateBillNumber() { return std::make_unique<EmbeddedBillNumber>(); }

}  // namespace corvane
