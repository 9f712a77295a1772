// Filters of a record set: "field op value" comparisons joined by "and".

#include <algorithm>
#include <cctype>
#include <compare>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/RecordsetData.h"
#include "platform/tsql/TsqlLexer.h"

namespace corvane::db {

namespace {

using Comparison = FilterCriterion::Comparison;

[[noreturn]] void raiseUnreadable(std::string_view text) {
  throw RuntimeError(kErrInvalidArgument,
                     "Arguments are of the wrong type, are out of acceptable range, or are in conflict "
                     "with one another (filter '" +
                         std::string(text) + "').");
}

class FilterReader {
 public:
  explicit FilterReader(std::string_view text) : text_(text) {}

  bool atEnd() {
    skipBlanks();
    return pos_ >= text_.size();
  }

  std::string fieldName() {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '[') {
      const std::size_t close = text_.find(']', pos_);
      if (close == std::string_view::npos) fail();
      const std::string name(text_.substr(pos_ + 1, close - pos_ - 1));
      pos_ = close + 1;
      return name;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !isBlank(text_[pos_]) && !isOperator(text_[pos_])) ++pos_;
    if (pos_ == start) fail();
    return std::string(text_.substr(start, pos_ - start));
  }

  Comparison comparison() {
    skipBlanks();
    static constexpr std::pair<std::string_view, Comparison> kOperators[] = {
        {"<=", Comparison::LessOrEqual}, {">=", Comparison::GreaterOrEqual}, {"<>", Comparison::NotEqual},
        {"<", Comparison::Less},         {">", Comparison::Greater},         {"=", Comparison::Equal},
    };
    for (const auto& [text, comparison] : kOperators) {
      if (text_.substr(pos_).starts_with(text)) {
        pos_ += text.size();
        return comparison;
      }
    }
    fail();
  }

  // A quoted text ('' stands for one apostrophe), a #date#, null, or a number.
  std::optional<std::string> literal() {
    skipBlanks();
    if (pos_ >= text_.size()) fail();
    if (text_[pos_] == '\'') return quoted();
    if (text_[pos_] == '#') {
      const std::size_t close = text_.find('#', pos_ + 1);
      if (close == std::string_view::npos) fail();
      std::string date(text_.substr(pos_ + 1, close - pos_ - 1));
      pos_ = close + 1;
      return date;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !isBlank(text_[pos_])) ++pos_;
    const std::string word(text_.substr(start, pos_ - start));
    if (equalsIgnoringCase(word, "null")) return std::nullopt;
    if (!IsNumeric(Variant(word))) fail();
    return word;
  }

  void expectAnd() {
    skipBlanks();
    if (!equalsIgnoringCase(text_.substr(pos_, 3), "and") || pos_ + 3 >= text_.size() || !isBlank(text_[pos_ + 3])) {
      fail();
    }
    pos_ += 3;
  }

 private:
  static bool isOperator(char c) { return c == '<' || c == '>' || c == '='; }

  void skipBlanks() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
  }

  std::string quoted() {
    std::string value;
    for (++pos_; pos_ < text_.size(); ++pos_) {
      if (text_[pos_] != '\'') {
        value += text_[pos_];
      } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
        value += '\'';
        ++pos_;
      } else {
        ++pos_;
        return value;
      }
    }
    fail();
  }

  [[noreturn]] void fail() const { raiseUnreadable(text_); }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::size_t fieldIndex(const std::vector<Field>& fields, const std::string& name) {
  const auto found = std::find_if(fields.begin(), fields.end(),
                                  [&name](const Field& field) { return equalsIgnoringCase(field.name(), name); });
  if (found == fields.end()) {
    throw RuntimeError(errnum::kDbItemNotFound,
                       "Item cannot be found in the collection corresponding to the requested name or "
                       "ordinal.");
  }
  return static_cast<std::size_t>(found - fields.begin());
}

std::string_view withoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::weak_ordering compareTexts(std::string_view a, std::string_view b) {
  a = withoutTrailingBlanks(a);
  b = withoutTrailingBlanks(b);
  return std::lexicographical_compare_three_way(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <=> std::tolower(static_cast<unsigned char>(y));
  });
}

template <typename T>
std::weak_ordering ordered(const T& a, const T& b) {
  return a < b ? std::weak_ordering::less : b < a ? std::weak_ordering::greater : std::weak_ordering::equivalent;
}

// How a field's value compares with a literal, read as the value's kind; nullopt when the
// literal does not read as that kind.
std::optional<std::weak_ordering> compareWith(const Variant& value, const std::string& literal) {
  const Variant text(literal);
  switch (value.type()) {
    case VarType::String: return compareTexts(value.asString(), literal);
    case VarType::Date:
      if (const auto date = DateTime::parse(literal)) return ordered(value.asDate(), *date);
      return std::nullopt;
    case VarType::Currency:
      if (const auto money = Currency::parse(literal)) return ordered(value.asCurrency(), *money);
      return std::nullopt;
    case VarType::Boolean: try { return ordered(value.asBoolean(), CBool(text));
      } catch (const RuntimeError&) {
        return std::nullopt;
      }
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
      if (!IsNumeric(text)) return std::nullopt;
      return ordered(CDbl(value), CDbl(text));
    default: return std::nullopt;
  }
}

bool meets(const FilterCriterion& criterion, const Variant& value) {
  if (!criterion.literal) {
    if (criterion.comparison == Comparison::Equal) return value.isNull();
    return criterion.comparison == Comparison::NotEqual && !value.isNull();
  }
  if (value.isNull()) return false;
  const auto order = compareWith(value, *criterion.literal);
  if (!order) return false;
  switch (criterion.comparison) {
    case Comparison::Equal: return *order == 0;
    case Comparison::NotEqual: return *order != 0;
    case Comparison::Less: return *order < 0;
    case Comparison::LessOrEqual: return *order <= 0;
    case Comparison::Greater: return *order > 0;
    case Comparison::GreaterOrEqual: return *order >= 0;
  }
  return false;
}

}  // namespace

std::vector<FilterCriterion> parseFilter(std::string_view text, const std::vector<Field>& fields) {
  std::vector<FilterCriterion> criteria;
  FilterReader reader(text);
  while (!reader.atEnd()) {
    if (!criteria.empty()) reader.expectAnd();
    FilterCriterion criterion;
    criterion.field = fieldIndex(fields, reader.fieldName());
    criterion.comparison = reader.comparison();
    criterion.literal = reader.literal();
    criteria.push_back(std::move(criterion));
  }
  return criteria;
}

bool passesFilter(const std::vector<FilterCriterion>& criteria, const RecordRow& row) {
  return std::all_of(criteria.begin(), criteria.end(), [&row](const FilterCriterion& criterion) {
    return meets(criterion, row.values[criterion.field]);
  });
}

}  // namespace corvane::db
