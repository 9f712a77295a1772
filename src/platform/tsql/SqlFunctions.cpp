#include "platform/tsql/SqlFunctions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/com/DecimalText.h"
#include "platform/com/Variant.h"
#include "platform/tsql/SqliteErrors.h"

namespace corvane::db {

namespace {

// SQL Server's texts for the failures these functions report; SqliteErrors gives them their
// error numbers.
constexpr const char* kDivideByZero = "Divide by zero error encountered.";
constexpr const char* kDateConversion = "Conversion failed when converting datetime from character string.";

// A failure inside a function: the statement fails with this text and result code (an overflow
// or a failed conversion has its own, which SqliteErrors reads for the error number).
struct SqlFailure {
  std::string text;
  int code = SQLITE_ERROR;
};

void resultFailure(sqlite3_context* context, const SqlFailure& failure) {
  sqlite3_result_error(context, failure.text.c_str(), -1);
  sqlite3_result_error_code(context, failure.code);
}

std::string_view textOf(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value))) : std::string_view();
}

std::string_view trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string firstCharacters(std::string_view text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t seen = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count) break;
  }
  return std::string(text.substr(0, i));
}

// Runs a function body; a failure becomes the statement's error.
template <typename Body>
void guarded(sqlite3_context* context, Body body) {
  try {
    body();
  } catch (const SqlFailure& failure) {
    resultFailure(context, failure);
  } catch (const std::exception& e) {
    sqlite3_result_error(context, e.what(), -1);
  }
}

// ---- numbers

// The shortest decimal text that reads back as value, without exponent.
std::string doubleText(double value) {
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  return std::string(buffer.data(), result.ptr);
}

// A value held as an exact decimal text, sign apart: digits before and after the point.
struct Decimal {
  bool negative = false;
  std::string whole;     // no leading zeros; empty for 0
  std::string fraction;  // as many digits as the scale

  std::string text() const {
    std::string out = negative && !(whole.empty() && fraction.find_first_not_of('0') == std::string::npos) ? "-" : "";
    out += whole.empty() ? "0" : whole;
    if (!fraction.empty()) out += "." + fraction;
    return out;
  }
};

Decimal parseDecimal(std::string_view text) {
  Decimal d;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    d.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const auto point = text.find('.');
  d.whole = std::string(text.substr(0, point));
  if (point != std::string_view::npos) d.fraction = std::string(text.substr(point + 1));
  d.whole.erase(0, std::min(d.whole.find_first_not_of('0'), d.whole.size()));
  return d;
}

// Rounds half away from zero to `scale` decimals.
Decimal roundDecimal(Decimal d, int scale) {
  const auto digits = static_cast<std::size_t>(scale);
  if (d.fraction.size() <= digits) {
    d.fraction.append(digits - d.fraction.size(), '0');
    return d;
  }
  const bool up = d.fraction[digits] >= '5';
  d.fraction.resize(digits);
  if (!up) return d;
  std::string all = d.whole + d.fraction;
  int i = static_cast<int>(all.size()) - 1;
  for (; i >= 0 && all[static_cast<std::size_t>(i)] == '9'; --i) all[static_cast<std::size_t>(i)] = '0';
  if (i < 0) {
    all.insert(all.begin(), '1');
  } else {
    ++all[static_cast<std::size_t>(i)];
  }
  d.whole = all.substr(0, all.size() - digits);
  d.fraction = all.substr(all.size() - digits);
  d.whole.erase(0, std::min(d.whole.find_first_not_of('0'), d.whole.size()));
  return d;
}

// Where a number came from, for the wording of SQL Server's messages.
const char* sourceTypeName(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: return "int";
    case SQLITE_FLOAT: return "numeric";
    default: return "varchar";
  }
}

// The value as an exact decimal text; nullopt for text that is not a number.
std::optional<Decimal> decimalOf(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: return parseDecimal(std::to_string(sqlite3_value_int64(value)));
    case SQLITE_FLOAT: {
      const double d = sqlite3_value_double(value);
      if (!std::isfinite(d)) return std::nullopt;
      return parseDecimal(doubleText(d));
    }
    default: {
      const auto text = trimBlanks(textOf(value));
      if (!isDecimalText(text)) return std::nullopt;
      return parseDecimal(text);
    }
  }
}

// A rounded decimal as the SQLite value it is stored as: an integer when whole, else a real.
void resultDecimal(sqlite3_context* context, const Decimal& d) {
  const bool whole = d.fraction.find_first_not_of('0') == std::string::npos;
  if (whole && d.whole.size() <= 18) {
    const std::int64_t magnitude = d.whole.empty() ? 0 : std::stoll(d.whole);
    sqlite3_result_int64(context, d.negative ? -magnitude : magnitude);
  } else {
    sqlite3_result_double(context, std::strtod(d.text().c_str(), nullptr));
  }
}

// A number for arithmetic and comparisons, converted from text as SQL Server converts a
// varchar that meets a number; '' reads as 0.
struct Number {
  bool isInteger = true;
  std::int64_t integer = 0;
  double real = 0;

  double asDouble() const { return isInteger ? static_cast<double>(integer) : real; }
};

Number numberOf(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: return {true, sqlite3_value_int64(value), 0};
    case SQLITE_FLOAT: return {false, 0, sqlite3_value_double(value)};
    default: {
      const auto text = trimBlanks(textOf(value));
      if (text.empty()) return {};
      if (isDecimalText(text)) {
        if (text.find('.') == std::string_view::npos) {
          std::int64_t integer = 0;
          const auto begin = text.data() + (text[0] == '+' ? 1 : 0);
          const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), integer);
          if (ec == std::errc() && end == text.data() + text.size()) return {true, integer, 0};
        }
        return {false, 0, std::strtod(std::string(text).c_str(), nullptr)};
      }
      throw SqlFailure{
          "Conversion failed when converting the varchar value '" + std::string(textOf(value)) + "' to data type int.",
          kConversionResult};
    }
  }
}

void resultNumber(sqlite3_context* context, const Number& n) {
  if (n.isInteger) {
    sqlite3_result_int64(context, n.integer);
  } else {
    sqlite3_result_double(context, n.real);
  }
}

bool anyNull(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
  }
  return false;
}

// ---- dates

std::optional<DateTime> dateOf(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      // A number counts days from 1900-01-01, as SQL Server reads it.
      return DateTime::fromSerial(sqlite3_value_double(value) + 2);
    default: {
      const auto text = trimBlanks(textOf(value));
      if (text.empty()) return DateTime{1900, 1, 1};
      return DateTime::parse(text);
    }
  }
}

DateTime requireDate(sqlite3_value* value) {
  const auto date = dateOf(value);
  if (!date) throw SqlFailure{kDateConversion, kConversionResult};
  return *date;
}

std::string shortDateText(const DateTime& date) {  // style 0: "Aug  2 2005  2:30PM"
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int hour12 = date.hour % 12 == 0 ? 12 : date.hour % 12;
  std::array<char, 32> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%s %2d %d %2d:%02d%s", kMonths[static_cast<std::size_t>(date.month - 1)],
                date.day, date.year, hour12, date.minute, date.hour < 12 ? "AM" : "PM");
  return buffer.data();
}

// ---- the functions

void tsqlNumber(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    resultNumber(context, numberOf(argv[0]));
  });
}

void tsqlInt(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    const bool isText = sqlite3_value_type(argv[0]) == SQLITE_TEXT || sqlite3_value_type(argv[0]) == SQLITE_BLOB;
    const Number n = numberOf(argv[0]);
    if (isText && !n.isInteger) {
      throw SqlFailure{"Conversion failed when converting the varchar value '" + std::string(textOf(argv[0])) +
                           "' to data type int.",
                       kConversionResult};
    }
    const double truncated = n.isInteger ? static_cast<double>(n.integer) : std::trunc(n.real);
    if (truncated < std::numeric_limits<std::int32_t>::min() || truncated > std::numeric_limits<std::int32_t>::max()) {
      throw SqlFailure{"Arithmetic overflow error converting expression to data type int.", kOverflowResult};
    }
    sqlite3_result_int64(context, n.isInteger ? n.integer : static_cast<std::int64_t>(truncated));
  });
}

void tsqlFloat(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && !trimBlanks(textOf(argv[0])).empty() &&
        !isDecimalText(trimBlanks(textOf(argv[0])))) {
      throw SqlFailure{"Error converting data type varchar to float.", kConversionResult};
    }
    sqlite3_result_double(context, numberOf(argv[0]).asDouble());
  });
}

// tsql_decimal(value, precision, scale)
void tsqlDecimal(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    const int precision = sqlite3_value_int(argv[1]);
    const int scale = sqlite3_value_int(argv[2]);
    const auto d = decimalOf(argv[0]);
    if (!d) throw SqlFailure{"Error converting data type varchar to numeric.", kConversionResult};
    const Decimal rounded = roundDecimal(*d, scale);
    if (static_cast<int>(rounded.whole.size()) > precision - scale) {
      throw SqlFailure{
          std::string("Arithmetic overflow error converting ") + sourceTypeName(argv[0]) + " to data type numeric.",
          kOverflowResult};
    }
    resultDecimal(context, rounded);
  });
}

void tsqlMoney(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && trimBlanks(textOf(argv[0])).empty()) {
      return sqlite3_result_int64(context, 0);
    }
    const auto d = decimalOf(argv[0]);
    if (!d) {
      throw SqlFailure{"Cannot convert a char value to money. The char value has incorrect syntax.", kConversionResult};
    }
    const Decimal rounded = roundDecimal(*d, 4);
    if (rounded.whole.size() > 15) {
      throw SqlFailure{"Arithmetic overflow error converting expression to data type money.", kOverflowResult};
    }
    resultDecimal(context, rounded);
  });
}

void tsqlDatetime(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    const std::string stored = requireDate(argv[0]).toSqlString();
    sqlite3_result_text(context, stored.c_str(), static_cast<int>(stored.size()), SQLITE_TRANSIENT);
  });
}

// tsql_datediff(from, to): the day boundaries crossed from `from` to `to`.
void tsqlDateDiff(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    sqlite3_result_int64(context, requireDate(argv[1]).dayNumber() - requireDate(argv[0]).dayNumber());
  });
}

// How a source value reads as text (the translator passes it from the source's type).
enum class TextSource { Stored = 0, Date = 1, Scaled = 2, Guid = 3, Whole = 4 };

std::string valueText(sqlite3_value* value, TextSource source, int style, int scale) {
  const int type = sqlite3_value_type(value);
  switch (source) {
    case TextSource::Date:
      if (const auto date = dateOf(value); date && type == SQLITE_TEXT) {
        return style == 120 ? date->toSqlString() : shortDateText(*date);
      }
      break;
    case TextSource::Scaled:
      if (const auto d = decimalOf(value)) return roundDecimal(*d, scale).text();
      break;
    case TextSource::Guid: {
      std::string text(trimBlanks(textOf(value)));
      if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
      for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return text;
    }
    default: break;
  }
  if (type == SQLITE_FLOAT) return doubleText(sqlite3_value_double(value));
  return std::string(textOf(value));
}

// tsql_varchar(value, length, style, source, scale); length 0 is varchar(max).
void tsqlVarchar(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    const auto length = static_cast<std::size_t>(sqlite3_value_int(argv[1]));
    const auto source = static_cast<TextSource>(sqlite3_value_int(argv[3]));
    const int type = sqlite3_value_type(argv[0]);
    std::string text = valueText(argv[0], source, sqlite3_value_int(argv[2]), sqlite3_value_int(argv[4]));
    if (length > 0 && characterCount(text) > length) {
      const bool number = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
      if (number && type == SQLITE_INTEGER && (source == TextSource::Whole || source == TextSource::Stored)) {
        text = "*";  // SQL Server marks a whole number too long for the text so
      } else if (number || source == TextSource::Scaled) {
        throw SqlFailure{"Arithmetic overflow error converting numeric to data type varchar.", kOverflowResult};
      } else {
        text = firstCharacters(text, length);
      }
    }
    sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  });
}

// a + b: texts join, numbers add; a text that meets a number is converted to a number.
void tsqlAdd(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
      const std::string joined = std::string(textOf(argv[0])) + std::string(textOf(argv[1]));
      return sqlite3_result_text(context, joined.c_str(), static_cast<int>(joined.size()), SQLITE_TRANSIENT);
    }
    const Number a = numberOf(argv[0]);
    const Number b = numberOf(argv[1]);
    std::int64_t sum = 0;
    if (a.isInteger && b.isInteger && !__builtin_add_overflow(a.integer, b.integer, &sum)) {
      return sqlite3_result_int64(context, sum);
    }
    sqlite3_result_double(context, a.asDouble() + b.asDouble());
  });
}

// tsql_divide(a, b, exact): whole numbers divide as whole numbers unless `exact` says an
// operand is a decimal; division by zero is an error.
void tsqlDivide(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL || argc < 3) {
      return sqlite3_result_null(context);
    }
    const Number a = numberOf(argv[0]);
    const Number b = numberOf(argv[1]);
    if (b.asDouble() == 0.0) throw SqlFailure{kDivideByZero};
    if (a.isInteger && b.isInteger && sqlite3_value_int(argv[2]) == 0) {
      if (a.integer == std::numeric_limits<std::int64_t>::min() && b.integer == -1) {
        throw SqlFailure{"Arithmetic overflow error converting expression to data type bigint.", kOverflowResult};
      }
      return sqlite3_result_int64(context, a.integer / b.integer);
    }
    sqlite3_result_double(context, a.asDouble() / b.asDouble());
  });
}

void tsqlModulo(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    const Number a = numberOf(argv[0]);
    const Number b = numberOf(argv[1]);
    if (b.asDouble() == 0.0) throw SqlFailure{kDivideByZero};
    if (a.isInteger && b.isInteger) {
      return sqlite3_result_int64(context, b.integer == -1 ? 0 : a.integer % b.integer);
    }
    sqlite3_result_double(context, std::fmod(a.asDouble(), b.asDouble()));
  });
}

// LEN: characters without the trailing blanks.
void len(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    std::string_view text = textOf(argv[0]);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    sqlite3_result_int64(context, static_cast<std::int64_t>(characterCount(text)));
  });
}

// NEWID: a random GUID as braced upper-case text, 38 characters.
void newid(sqlite3_context* context, int, sqlite3_value**) {
  std::array<unsigned char, 16> bytes{};
  sqlite3_randomness(static_cast<int>(bytes.size()), bytes.data());
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
  std::string text = "{";
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0x0F];
  }
  text += '}';
  sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// ---- catalog stand-ins

constexpr std::array<std::string_view, 3> kCatalogDatabaseNames = {"main", "vqsystem", "tempdb"};

// A name part without its brackets.
std::string unbracketed(std::string_view part) {
  if (part.size() >= 2 && part.front() == '[' && part.back() == ']') part = part.substr(1, part.size() - 2);
  return std::string(part);
}

// Runs a one-value query of this connection with one parameter; nullopt when it answers no row
// or fails.
template <typename Bind>
std::optional<std::int64_t> queryNumber(sqlite3* db, const std::string& sql, Bind bind) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return std::nullopt;
  }
  bind(statement);
  std::optional<std::int64_t> result;
  if (sqlite3_step(statement) == SQLITE_ROW) result = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  return result;
}

std::string masterTable(std::size_t databaseIndex) {
  return "\"" + std::string(kCatalogDatabaseNames[databaseIndex]) + "\".sqlite_master";
}

// OBJECT_ID('tempdb..x'), OBJECT_ID('dbo.x'), OBJECT_ID('x'): the id of a table or view, NULL
// when there is none.
void tsqlObjectId(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    const std::string_view text = trimBlanks(textOf(argv[0]));
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
      const auto dot = text.find('.', start);
      parts.push_back(unbracketed(text.substr(start, dot == std::string_view::npos ? dot : dot - start)));
      if (dot == std::string_view::npos) break;
      start = dot + 1;
    }
    const std::string database = parts.size() >= 3 ? parts[parts.size() - 3] : "main";
    const int index = catalogDatabaseIndex(database);
    if (index < 0 || parts.size() > 3) return sqlite3_result_null(context);
    const auto rowid = queryNumber(
        sqlite3_context_db_handle(context),
        "SELECT rowid FROM " + masterTable(static_cast<std::size_t>(index)) +
            " WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
        [&](sqlite3_stmt* statement) { sqlite3_bind_text(statement, 1, parts.back().c_str(), -1, SQLITE_TRANSIENT); });
    if (!rowid) return sqlite3_result_null(context);
    sqlite3_result_int64(context, *rowid * kCatalogDatabases + index);
  });
}

// OBJECTPROPERTY(id, 'IsUserTable'): 1 for a table, 0 for a view, NULL for no object.
void tsqlIsUserTable(sqlite3_context* context, int argc, sqlite3_value** argv) {
  guarded(context, [&] {
    if (anyNull(argc, argv)) return sqlite3_result_null(context);
    const std::int64_t id = sqlite3_value_int64(argv[0]);
    const auto index = static_cast<std::size_t>(id % kCatalogDatabases);
    if (id < 0 || index >= kCatalogDatabaseNames.size()) return sqlite3_result_null(context);
    const auto isTable = queryNumber(
        sqlite3_context_db_handle(context), "SELECT type = 'table' FROM " + masterTable(index) + " WHERE rowid = ?1",
        [&](sqlite3_stmt* statement) { sqlite3_bind_int64(statement, 1, id / kCatalogDatabases); });
    if (!isTable) return sqlite3_result_null(context);
    sqlite3_result_int64(context, *isTable);
  });
}

// ---- SUM, exact for amounts

// Sums whole numbers exactly; amounts with at most four decimals are summed as counts of
// ten-thousandths, so 0.1 + 0.2 - 0.3 is 0 as in SQL Server's money and decimal types. Other
// values fall back to floating point.
// SQLite hands the state over zero-filled, so every member starts as zero or false.
struct ExactSum {
  std::int64_t count;
  bool hasFraction;
  bool wholeOverflow;
  bool inexact;
  std::int64_t whole;
  std::int64_t scaled;  // in ten-thousandths
  double approximate;
};

constexpr double kScale = 10000.0;

void addScaled(ExactSum& sum, std::int64_t tenThousandths) {
  if (!sum.inexact && __builtin_add_overflow(sum.scaled, tenThousandths, &sum.scaled)) sum.inexact = true;
}

void addToSum(ExactSum& sum, sqlite3_value* value, int sign) {
  const int type = sqlite3_value_numeric_type(value);
  if (type == SQLITE_NULL) return;
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
    throw SqlFailure{"Operand data type varchar is invalid for sum operator."};
  }
  sum.count += sign;
  if (type == SQLITE_INTEGER) {
    const std::int64_t v = sqlite3_value_int64(value) * sign;
    if (__builtin_add_overflow(sum.whole, v, &sum.whole)) sum.wholeOverflow = true;
    sum.approximate += static_cast<double>(v);
    std::int64_t scaled = 0;
    if (__builtin_mul_overflow(v, std::int64_t{10000}, &scaled)) {
      sum.inexact = true;
    } else {
      addScaled(sum, scaled);
    }
    return;
  }
  const double v = sqlite3_value_double(value) * sign;
  sum.hasFraction = true;
  sum.approximate += v;
  const double scaled = v * kScale;
  if (std::fabs(scaled) < 9e15) {
    const auto rounded = static_cast<std::int64_t>(std::llround(scaled));
    if (static_cast<double>(rounded) / kScale == v) return addScaled(sum, rounded);
  }
  sum.inexact = true;
}

void sumStep(sqlite3_context* context, int, sqlite3_value** argv) {
  guarded(context, [&] {
    auto* sum = static_cast<ExactSum*>(sqlite3_aggregate_context(context, sizeof(ExactSum)));
    if (!sum) return sqlite3_result_error_nomem(context);
    addToSum(*sum, argv[0], 1);
  });
}

void sumInverse(sqlite3_context* context, int, sqlite3_value** argv) {
  guarded(context, [&] {
    auto* sum = static_cast<ExactSum*>(sqlite3_aggregate_context(context, sizeof(ExactSum)));
    if (!sum) return sqlite3_result_error_nomem(context);
    addToSum(*sum, argv[0], -1);
  });
}

void sumValue(sqlite3_context* context) {
  auto* sum = static_cast<ExactSum*>(sqlite3_aggregate_context(context, 0));
  if (!sum || sum->count == 0) return sqlite3_result_null(context);
  if (!sum->hasFraction) {
    if (sum->wholeOverflow) {
      return resultFailure(context,
                           {"Arithmetic overflow error converting expression to data type bigint.", kOverflowResult});
    }
    return sqlite3_result_int64(context, sum->whole);
  }
  if (!sum->inexact) return sqlite3_result_double(context, static_cast<double>(sum->scaled) / kScale);
  sqlite3_result_double(context, sum->approximate);
}

// ---- collation

// Chinese_PRC_CI_AS, as the temp-table DDL names it: compares as SQLite's NOCASE does.
int compareIgnoringCase(void*, int leftLength, const void* left, int rightLength, const void* right) {
  const auto* a = static_cast<const unsigned char*>(left);
  const auto* b = static_cast<const unsigned char*>(right);
  const int common = std::min(leftLength, rightLength);
  for (int i = 0; i < common; ++i) {
    const int ca = std::tolower(a[i]) & 0xFF;
    const int cb = std::tolower(b[i]) & 0xFF;
    if (ca != cb) return ca - cb;
  }
  return leftLength - rightLength;
}

struct ScalarFunction {
  const char* name;
  int arguments;
  void (*function)(sqlite3_context*, int, sqlite3_value**);
  bool deterministic;
};

constexpr std::array<ScalarFunction, 15> kScalarFunctions = {{
    {"tsql_number", 1, tsqlNumber, true},
    {"tsql_int", 1, tsqlInt, true},
    {"tsql_float", 1, tsqlFloat, true},
    {"tsql_decimal", 3, tsqlDecimal, true},
    {"tsql_money", 1, tsqlMoney, true},
    {"tsql_datetime", 1, tsqlDatetime, true},
    {"tsql_datediff", 2, tsqlDateDiff, true},
    {"tsql_varchar", 5, tsqlVarchar, true},
    {"tsql_add", 2, tsqlAdd, true},
    {"tsql_divide", 3, tsqlDivide, true},
    {"tsql_modulo", 2, tsqlModulo, true},
    {"len", 1, len, true},
    {"newid", 0, newid, false},
    {"tsql_object_id", 1, tsqlObjectId, false},
    {"tsql_is_user_table", 1, tsqlIsUserTable, false},
}};

}  // namespace

int catalogDatabaseIndex(std::string_view database) {
  for (std::size_t i = 0; i < kCatalogDatabaseNames.size(); ++i) {
    if (equalsIgnoringCase(database, kCatalogDatabaseNames[i])) return static_cast<int>(i);
  }
  return -1;
}

void registerTsqlFunctions(sqlite3* db) {
  for (const auto& f : kScalarFunctions) {
    const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, f.name, f.arguments, flags, nullptr, f.function, nullptr, nullptr, nullptr);
  }
  sqlite3_create_window_function(db, "sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sumStep, sumValue, sumValue,
                                 sumInverse, nullptr);
  sqlite3_create_collation_v2(db, "Chinese_PRC_CI_AS", SQLITE_UTF8, nullptr, compareIgnoringCase, nullptr);
}

}  // namespace corvane::db
