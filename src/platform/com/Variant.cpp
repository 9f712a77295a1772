#include "platform/com/Variant.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A decimal number as written: sign, integer digits, fraction digits and a decimal exponent.
struct DecimalText {
  bool negative = false;
  std::string_view integerDigits;
  std::string_view fractionDigits;
  int exponent = 0;
  std::size_t length = 0;  // characters the number takes, from the start of the text
};

// Exponents beyond this give overflow or zero for every value a Double or Currency can hold; the
// cap keeps the exact Currency arithmetic bounded.
constexpr int kExponentCap = 100000;

// Reads `[sign] digits [. digits] [e [sign] digits]` at the start of `text` (at least one digit
// before the exponent). An `e` without digits after it is not part of the number.
std::optional<DecimalText> scanDecimal(std::string_view text) {
  DecimalText number;
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    number.negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t integerStart = pos;
  while (pos < text.size() && isAsciiDigit(text[pos])) ++pos;
  number.integerDigits = text.substr(integerStart, pos - integerStart);
  if (pos < text.size() && text[pos] == '.') {
    const std::size_t fractionStart = ++pos;
    while (pos < text.size() && isAsciiDigit(text[pos])) ++pos;
    number.fractionDigits = text.substr(fractionStart, pos - fractionStart);
  }
  if (number.integerDigits.empty() && number.fractionDigits.empty()) return std::nullopt;
  number.length = pos;

  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    std::size_t expPos = pos + 1;
    bool expNegative = false;
    if (expPos < text.size() && (text[expPos] == '+' || text[expPos] == '-')) {
      expNegative = text[expPos] == '-';
      ++expPos;
    }
    if (expPos < text.size() && isAsciiDigit(text[expPos])) {
      int exponent = 0;
      for (; expPos < text.size() && isAsciiDigit(text[expPos]); ++expPos) {
        if (exponent < kExponentCap) exponent = exponent * 10 + (text[expPos] - '0');
      }
      number.exponent = expNegative ? -exponent : exponent;
      number.length = expPos;
    }
  }
  return number;
}

// The whole text, blanks around allowed, is one decimal number.
std::optional<DecimalText> parseWholeDecimal(std::string_view text) {
  text = trimBlanks(text);
  auto number = scanDecimal(text);
  if (!number || number->length != text.size()) return std::nullopt;
  return number;
}

bool hasNonZeroDigit(std::string_view digits) { return digits.find_first_not_of('0') != std::string_view::npos; }

// The double nearest to the number; overflow (6) beyond the Double range, zero below it.
double toDouble(const DecimalText& number) {
  std::string text;
  text.reserve(number.integerDigits.size() + number.fractionDigits.size() + 16);
  text.append(number.integerDigits.empty() ? "0" : number.integerDigits);
  text.append(".").append(number.fractionDigits.empty() ? "0" : number.fractionDigits);
  text.append("e").append(std::to_string(number.exponent));
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Out of range either way: decide by where the first significant digit sits.
    const std::string digits = std::string(number.integerDigits) + std::string(number.fractionDigits);
    const auto first = digits.find_first_not_of('0');
    const long long magnitude =
        static_cast<long long>(number.integerDigits.size()) - static_cast<long long>(first) + number.exponent;
    if (magnitude > 0) raiseOverflow();
    value = 0;
  }
  return number.negative ? -value : value;
}

constexpr std::uint64_t kCurrencyMagnitudeLimit = std::uint64_t{1} << 63;  // |INT64_MIN|

// Appends one decimal digit to a magnitude; false when it passes `limit`.
bool appendDigit(std::uint64_t& magnitude, int digit, std::uint64_t limit) {
  if (magnitude > (limit - static_cast<std::uint64_t>(digit)) / 10) return false;
  magnitude = magnitude * 10 + static_cast<std::uint64_t>(digit);
  return true;
}

// The number in ten-thousandths, rounded half to even at the fourth decimal, exactly.
Currency toCurrency(const DecimalText& number) {
  const std::string digits = std::string(number.integerDigits) + std::string(number.fractionDigits);
  if (!hasNonZeroDigit(digits)) return Currency{};
  const std::uint64_t limit = number.negative ? kCurrencyMagnitudeLimit : kCurrencyMagnitudeLimit - 1;
  // The first `kept` digits make the count of ten-thousandths; the next one decides rounding.
  const long long kept = static_cast<long long>(number.integerDigits.size()) + number.exponent + 4;
  const long long size = static_cast<long long>(digits.size());
  std::uint64_t magnitude = 0;
  for (long long i = 0; i < kept; ++i) {
    const int digit = i < size ? digits[static_cast<std::size_t>(i)] - '0' : 0;
    if (!appendDigit(magnitude, digit, limit)) raiseOverflow();
  }
  if (kept >= 0 && kept < size) {
    const char first = digits[static_cast<std::size_t>(kept)];
    const bool restNonZero = hasNonZeroDigit(std::string_view(digits).substr(static_cast<std::size_t>(kept) + 1));
    if (first > '5' || (first == '5' && (restNonZero || magnitude % 2 == 1))) {
      if (magnitude == limit) raiseOverflow();
      ++magnitude;
    }
  }
  if (number.negative) return Currency::fromScaled(static_cast<std::int64_t>(std::uint64_t{0} - magnitude));
  return Currency::fromScaled(static_cast<std::int64_t>(magnitude));
}

// The shortest decimal text that reads back to `value`, as significant digits and the decimal
// exponent of the first digit; at most `maxDigits` significant digits (rounded when longer).
struct SignificantDigits {
  std::string digits;
  int exponent = 0;  // value = 0.d1d2... * 10^(exponent + 1)
};

SignificantDigits shortestDigits(double value, int maxDigits) {
  std::array<char, 64> buffer{};
  for (int precision = 1; precision <= maxDigits; ++precision) {
    std::snprintf(buffer.data(), buffer.size(), "%.*e", precision - 1, value);
    double readBack = 0;
    const std::string_view text(buffer.data());
    std::from_chars(text.data(), text.data() + text.size(), readBack);
    if (readBack == value || precision == maxDigits) {
      const auto ePos = text.find('e');
      SignificantDigits result;
      for (const char c : text.substr(0, ePos)) {
        if (isAsciiDigit(c)) result.digits.push_back(c);
      }
      while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
      std::from_chars(text.data() + ePos + 1 + (text[ePos + 1] == '+'), text.data() + text.size(), result.exponent);
      return result;
    }
  }
  return {};
}

std::string doubleToString(double value) {
  if (value == 0) return "0";  // negative zero included
  const SignificantDigits sig = shortestDigits(std::fabs(value), 15);
  std::string text = value < 0 ? "-" : "";
  const int digitCount = static_cast<int>(sig.digits.size());
  if (sig.exponent >= 15) {
    text += sig.digits.substr(0, 1);
    if (digitCount > 1) text += "." + sig.digits.substr(1);
    const std::string exponent = std::to_string(sig.exponent);
    return text + "E+" + (exponent.size() < 2 ? "0" : "") + exponent;
  }
  if (sig.exponent < 0) {
    return text + "0." + std::string(static_cast<std::size_t>(-sig.exponent - 1), '0') + sig.digits;
  }
  const auto integerLength = static_cast<std::size_t>(sig.exponent + 1);
  if (sig.digits.size() <= integerLength) {
    return text + sig.digits + std::string(integerLength - sig.digits.size(), '0');
  }
  return text + sig.digits.substr(0, integerLength) + "." + sig.digits.substr(integerLength);
}

// Whole number nearest to `value`, ties to even; overflow (6) outside [low, high].
std::int64_t roundToRange(double value, double low, double high) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= low && rounded <= high)) raiseOverflow();
  return static_cast<std::int64_t>(rounded);
}

// Currency rounded to a whole number, ties to even.
std::int64_t roundCurrency(Currency money) {
  const std::int64_t scaled = money.scaled();
  std::int64_t whole = scaled / 10000;
  const std::int64_t remainder = scaled % 10000;  // same sign as scaled
  const std::int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
  if (twice > 10000 || (twice == 10000 && whole % 2 != 0)) whole += scaled < 0 ? -1 : 1;
  return whole;
}

std::int64_t roundedWhole(const Variant& value, double low, double high) {
  std::int64_t whole = 0;
  switch (value.type()) {
    case VarType::Currency: whole = roundCurrency(value.asCurrency()); break;
    case VarType::Integer:
    case VarType::Long: whole = value.asLong(); break;
    default: return roundToRange(CDbl(value), low, high);
  }
  if (whole < low || whole > high) raiseOverflow();
  return whole;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
  int year;
  int month;
  int day;
};

CivilDate civilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  const auto day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const auto month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  const auto year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
  return {static_cast<int>(year), month, day};
}

const std::int64_t kSerialEpoch = daysFromCivil(1899, 12, 30);
constexpr int kSecondsPerDay = 86400;
constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// Reads 1 to `maxDigits` digits at `pos`, advancing it.
std::optional<int> readField(std::string_view text, std::size_t& pos, std::size_t maxDigits) {
  const std::size_t start = pos;
  int value = 0;
  while (pos < text.size() && isAsciiDigit(text[pos]) && pos - start < maxDigits) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  if (pos == start || (pos < text.size() && isAsciiDigit(text[pos]))) return std::nullopt;
  return value;
}

bool expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

// h:mm[:ss[.fff]] at `pos` up to the end of the text; fractions of a second are dropped.
bool readTime(std::string_view text, std::size_t pos, DateTime& date) {
  const auto hour = readField(text, pos, 2);
  if (!hour || !expect(text, pos, ':')) return false;
  const auto minute = readField(text, pos, 2);
  if (!minute) return false;
  std::optional<int> second = 0;
  if (expect(text, pos, ':')) {
    second = readField(text, pos, 2);
    if (!second) return false;
    if (expect(text, pos, '.')) {
      if (!readField(text, pos, 9)) return false;
    }
  }
  if (pos != text.size() || *hour > 23 || *minute > 59 || *second > 59) return false;
  date.hour = *hour;
  date.minute = *minute;
  date.second = *second;
  return true;
}

std::string twoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

std::string paddedDate(const DateTime& date) {
  std::array<char, 16> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%04d-%02d-%02d", date.year, date.month, date.day);
  return buffer.data();
}

std::string paddedTime(const DateTime& date) {
  return twoDigits(date.hour) + ":" + twoDigits(date.minute) + ":" + twoDigits(date.second);
}

}  // namespace

// ---- Currency ----

Currency Currency::fromDouble(double value) {
  if (!std::isfinite(value)) raiseOverflow();
  // The shortest decimal text of the double is what the user wrote; rounding it, not the binary
  // value, keeps 2.675 at 2.675 and 0.00015 rounding to 0.0002.
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  const auto number =
      scanDecimal(std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())));
  return toCurrency(*number);
}

std::optional<Currency> Currency::parse(std::string_view text) {
  const auto number = parseWholeDecimal(text);
  if (!number) return std::nullopt;
  return toCurrency(*number);
}

std::string Currency::toString() const {
  const bool negative = scaled_ < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(scaled_) : static_cast<std::uint64_t>(scaled_);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
  std::uint64_t fraction = magnitude % 10000;
  if (fraction == 0) return text;
  int places = 4;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --places;
  }
  std::string digits = std::to_string(fraction);
  return text + "." + std::string(static_cast<std::size_t>(places) - digits.size(), '0') + digits;
}

Currency Currency::operator+(Currency other) const {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(scaled_, other.scaled_, &sum)) raiseOverflow();
  return fromScaled(sum);
}

Currency Currency::operator-(Currency other) const {
  std::int64_t difference = 0;
  if (__builtin_sub_overflow(scaled_, other.scaled_, &difference)) raiseOverflow();
  return fromScaled(difference);
}

Currency Currency::operator-() const {
  if (scaled_ == std::numeric_limits<std::int64_t>::min()) raiseOverflow();
  return fromScaled(-scaled_);
}

// ---- DateTime ----

std::optional<DateTime> DateTime::parse(std::string_view text) {
  text = trimBlanks(text);
  std::size_t pos = 0;
  DateTime date;
  const auto year = readField(text, pos, 4);
  if (!year || pos >= text.size() || (text[pos] != '-' && text[pos] != '/')) return std::nullopt;
  const char separator = text[pos++];
  const auto month = readField(text, pos, 2);
  if (!month || !expect(text, pos, separator)) return std::nullopt;
  const auto day = readField(text, pos, 2);
  if (!day) return std::nullopt;
  if (*year < kMinYear || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month)) {
    return std::nullopt;
  }
  date.year = *year;
  date.month = *month;
  date.day = *day;
  date.hour = date.minute = date.second = 0;
  if (pos == text.size()) return date;
  if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
  if (!readTime(text, pos + 1, date)) return std::nullopt;
  return date;
}

std::int64_t DateTime::dayNumber() const {
  return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kSerialEpoch;
}

double DateTime::serial() const {
  const auto days = static_cast<double>(dayNumber());
  const double fraction = (hour * 3600 + minute * 60 + second) / static_cast<double>(kSecondsPerDay);
  // Before the epoch the whole part counts the days back and the fraction still adds the time.
  return days < 0 ? days - fraction : days + fraction;
}

DateTime DateTime::fromSerial(double serial) {
  if (!std::isfinite(serial)) raiseOverflow();
  double whole = std::trunc(serial);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(serial - whole) * kSecondsPerDay));
  if (seconds == kSecondsPerDay) {
    seconds = 0;
    whole += serial < 0 ? -1 : 1;
  }
  const double firstDay = static_cast<double>(daysFromCivil(kMinYear, 1, 1) - kSerialEpoch);
  const double lastDay = static_cast<double>(daysFromCivil(kMaxYear, 12, 31) - kSerialEpoch);
  if (whole < firstDay || whole > lastDay) raiseOverflow();
  const CivilDate civil = civilFromDays(static_cast<std::int64_t>(whole) + kSerialEpoch);
  DateTime date;
  date.year = civil.year;
  date.month = civil.month;
  date.day = civil.day;
  date.hour = static_cast<int>(seconds / 3600);
  date.minute = static_cast<int>(seconds / 60 % 60);
  date.second = static_cast<int>(seconds % 60);
  return date;
}

std::string DateTime::toString() const {
  std::string text = std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
  if (!hasTime()) return text;
  return text + " " + std::to_string(hour) + ":" + twoDigits(minute) + ":" + twoDigits(second);
}

std::string DateTime::toIsoString() const { return paddedDate(*this) + "T" + paddedTime(*this); }

std::string DateTime::toSqlString() const { return paddedDate(*this) + " " + paddedTime(*this); }

// ---- Variant ----

Variant Variant::null() {
  Variant value;
  value.value_ = NullTag{};
  return value;
}

Variant Variant::boolean(bool flag) {
  Variant value;
  value.value_ = flag;
  return value;
}

Variant Variant::integer(std::int16_t number) {
  Variant value;
  value.value_ = IntegerValue{number};
  return value;
}

Variant Variant::longValue(std::int32_t number) {
  Variant value;
  value.value_ = number;
  return value;
}

Variant Variant::dbl(double number) {
  if (!std::isfinite(number)) raiseOverflow();
  Variant value;
  value.value_ = number;
  return value;
}

VarType Variant::type() const { return static_cast<VarType>(value_.index()); }

bool Variant::asBoolean() const {
  if (const auto* flag = std::get_if<bool>(&value_)) return *flag;
  raiseTypeMismatch();
}

std::int32_t Variant::asLong() const {
  if (const auto* number = std::get_if<IntegerValue>(&value_)) return number->value;
  if (const auto* number = std::get_if<std::int32_t>(&value_)) return *number;
  raiseTypeMismatch();
}

double Variant::asDouble() const {
  if (const auto* number = std::get_if<double>(&value_)) return *number;
  raiseTypeMismatch();
}

Currency Variant::asCurrency() const {
  if (const auto* money = std::get_if<Currency>(&value_)) return *money;
  raiseTypeMismatch();
}

DateTime Variant::asDate() const {
  if (const auto* date = std::get_if<DateTime>(&value_)) return *date;
  raiseTypeMismatch();
}

const std::string& Variant::asString() const {
  if (const auto* text = std::get_if<std::string>(&value_)) return *text;
  raiseTypeMismatch();
}

// ---- Conversions ----

bool IsNumeric(const Variant& value) {
  switch (value.type()) {
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Currency: return true;
    case VarType::String: return parseWholeDecimal(value.asString()).has_value();
    default: return false;
  }
}

bool IsDate(const Variant& value) {
  switch (value.type()) {
    case VarType::Date: return true;
    case VarType::String: return DateTime::parse(value.asString()).has_value();
    default: return false;
  }
}

std::string CStr(const Variant& value) {
  switch (value.type()) {
    case VarType::Empty: return {};
    case VarType::Null: raiseTypeMismatch();
    case VarType::Boolean: return value.asBoolean() ? "True" : "False";
    case VarType::Integer:
    case VarType::Long: return std::to_string(value.asLong());
    case VarType::Double: return doubleToString(value.asDouble());
    case VarType::Currency: return value.asCurrency().toString();
    case VarType::Date: return value.asDate().toString();
    case VarType::String: return value.asString();
  }
  raiseTypeMismatch();
}

double CDbl(const Variant& value) {
  switch (value.type()) {
    case VarType::Empty: return 0;
    case VarType::Null: raiseTypeMismatch();
    case VarType::Boolean: return value.asBoolean() ? -1 : 0;
    case VarType::Integer:
    case VarType::Long: return value.asLong();
    case VarType::Double: return value.asDouble();
    case VarType::Currency: return value.asCurrency().toDouble();
    case VarType::Date: return value.asDate().serial();
    case VarType::String: {
      const auto number = parseWholeDecimal(value.asString());
      if (!number) raiseTypeMismatch();
      return toDouble(*number);
    }
  }
  raiseTypeMismatch();
}

std::int32_t CLng(const Variant& value) {
  return static_cast<std::int32_t>(
      roundedWhole(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int16_t CInt(const Variant& value) {
  return static_cast<std::int16_t>(
      roundedWhole(value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

Currency CCur(const Variant& value) {
  switch (value.type()) {
    case VarType::Currency: return value.asCurrency();
    case VarType::Integer:
    case VarType::Long: return Currency::fromScaled(std::int64_t{value.asLong()} * 10000);
    case VarType::String: {
      const auto money = Currency::parse(value.asString());
      if (!money) raiseTypeMismatch();
      return *money;
    }
    default: return Currency::fromDouble(CDbl(value));
  }
}

bool CBool(const Variant& value) {
  if (value.type() != VarType::String) return CDbl(value) != 0;
  const std::string_view text = trimBlanks(value.asString());
  if (equalsIgnoringCase(text, "true")) return true;
  if (equalsIgnoringCase(text, "false")) return false;
  const auto number = parseWholeDecimal(text);
  if (!number) raiseTypeMismatch();
  return hasNonZeroDigit(number->integerDigits) || hasNonZeroDigit(number->fractionDigits);
}

DateTime CDate(const Variant& value) {
  switch (value.type()) {
    case VarType::Date: return value.asDate();
    case VarType::String: {
      const auto date = DateTime::parse(value.asString());
      if (!date) raiseTypeMismatch();
      return *date;
    }
    default: return DateTime::fromSerial(CDbl(value));
  }
}

double Val(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  const auto number = scanDecimal(text);
  return number ? toDouble(*number) : 0;
}

}  // namespace corvane
