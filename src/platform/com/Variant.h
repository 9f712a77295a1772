#pragma once
// Variant: the value type that carries database fields, request values and texts through the
// layers, with the conversions the business code relies on. All text is UTF-8.
//
// Texts of values (CStr) are fixed here once for every layer:
//   date at midnight  2005-8-2            date with a time  2005-8-2 14:30:05 (hour without
//                                                             leading zero: 2005-8-2 9:05:00)
//   Boolean           True / False        whole numbers     digits, '-' when negative
//   Double            shortest text that reads back the same value, at most 15 significant
//                     digits, '.' as decimal point, no thousands separator, no exponent below 1e15
//   Currency          up to four decimals, trailing zeros dropped (100, 100.5, 0.0001)
// Date texts are read in the forms 2005-8-2, 2005-08-02, 2005-08-02T00:00:00,
// 2005-08-02 00:00:00 and 2005/8/2 (with an optional time h:mm[:ss[.fff]], fractions of a second
// dropped), blanks around allowed; years 100 to 9999.
// Numbers are read from text as [sign] digits [. digits] [e [sign] digits] with blanks around.
//
// Conversions that cannot be made raise RuntimeError: type mismatch (13) for a value that is
// not of the asked kind, overflow (6) for one out of range.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace corvane {

// Fixed-point money: an integer count of ten-thousandths. Arithmetic never drifts.
class Currency {
 public:
  constexpr Currency() = default;
  static constexpr Currency fromScaled(std::int64_t tenThousandths) {
    Currency c;
    c.scaled_ = tenThousandths;
    return c;
  }
  // Rounds half to even at the fourth decimal; overflow (6) when out of range.
  static Currency fromDouble(double value);
  // Reads a decimal text exactly ("12.345", "-0.5", " 7 ", "1e3"), rounding half to even at the
  // fourth decimal; nullopt when it is not one, overflow (6) when out of range.
  static std::optional<Currency> parse(std::string_view text);

  constexpr std::int64_t scaled() const { return scaled_; }
  double toDouble() const { return static_cast<double>(scaled_) / 10000.0; }
  std::string toString() const;  // up to four decimals, trailing zeros dropped

  Currency operator+(Currency other) const;  // overflow (6) when out of range
  Currency operator-(Currency other) const;
  Currency operator-() const;
  constexpr auto operator<=>(const Currency&) const = default;

 private:
  std::int64_t scaled_ = 0;
};

// A calendar date with a time of day, without time zone.
struct DateTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;

  // Parses the date forms above; nullopt when the text is not a valid date.
  static std::optional<DateTime> parse(std::string_view text);
  // Days since 1899-12-30 plus the fraction of the day (the serial form of dates).
  double serial() const;
  // Overflow (6) outside the years 100 to 9999.
  static DateTime fromSerial(double serial);
  // Whole days from 1899-12-30 to the date part.
  std::int64_t dayNumber() const;

  bool hasTime() const { return hour != 0 || minute != 0 || second != 0; }
  std::string toString() const;     // 2005-8-2 or 2005-8-2 14:30:05
  std::string toIsoString() const;  // 2005-08-02T00:00:00 (the record-set XML form)
  std::string toSqlString() const;  // 2005-08-02 00:00:00 (the stored form)
  auto operator<=>(const DateTime&) const = default;
};

enum class VarType { Empty, Null, Boolean, Integer, Long, Double, Currency, Date, String };

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(std::string text) : value_(std::move(text)) {}
  Variant(const char* text) : value_(std::string(text)) {}
  Variant(std::string_view text) : value_(std::string(text)) {}
  Variant(Currency money) : value_(money) {}
  Variant(DateTime date) : value_(date) {}

  static Variant null();
  static Variant boolean(bool value);
  static Variant integer(std::int16_t value);
  static Variant longValue(std::int32_t value);
  static Variant dbl(double value);  // overflow (6) for infinity and NaN

  VarType type() const;
  bool isEmpty() const { return type() == VarType::Empty; }
  bool isNull() const { return type() == VarType::Null; }

  // Direct access to the held value; type mismatch (13) when it holds another kind.
  bool asBoolean() const;
  std::int32_t asLong() const;  // Integer or Long
  double asDouble() const;
  Currency asCurrency() const;
  DateTime asDate() const;
  const std::string& asString() const;

  bool operator==(const Variant& other) const = default;

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct IntegerValue {
    std::int16_t value;
    bool operator==(const IntegerValue&) const = default;
  };
  std::variant<std::monostate, NullTag, bool, IntegerValue, std::int32_t, double, Currency, DateTime, std::string>
      value_;
};

// The conversions, named as the business code names them.
// Numbers, Booleans and numeric texts (blanks around, sign, point, exponent); "", "12abc", Empty,
// Null and dates are not.
bool IsNumeric(const Variant& value);
bool IsDate(const Variant& value);  // a date, or a text in one of the date forms
// Every conversion raises type mismatch (13) for Null and for a text it cannot read; Empty reads
// as 0, False or "", True as -1, a date as its serial.
std::string CStr(const Variant& value);   // Null: type mismatch (13); Empty: ""
double CDbl(const Variant& value);        // overflow (6) beyond the Double range
std::int32_t CLng(const Variant& value);  // rounds half to even; overflow (6)
std::int16_t CInt(const Variant& value);  // rounds half to even; overflow (6)
Currency CCur(const Variant& value);      // rounds half to even at the fourth decimal; overflow (6)
bool CBool(const Variant& value);         // "True"/"False" in any case, numbers; else type mismatch (13)
DateTime CDate(const Variant& value);     // texts in the date forms; numbers as serials
// The number at the start of the text after leading blanks ("12abc" 12, " -1.5e2x" -150); 0 when
// none; overflow (6) beyond the Double range.
double Val(std::string_view text);

}  // namespace corvane
