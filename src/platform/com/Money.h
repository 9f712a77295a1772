#pragma once
// Exact money arithmetic of the voucher code on top of Currency: reading amounts as the forms
// send them, rounding to cents, the texts of amounts in messages, and exact factors (exchange
// rates, quantities, percentages) that amounts are multiplied or divided by. No step goes through
// a binary floating-point number.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/Variant.h"

namespace corvane {

enum class Rounding {
  HalfAwayFromZero,
  Up,  // towards plus infinity
};

// An amount of a stored or request value: 0 for Null, empty text and a text that is no number;
// overflow (6) beyond the Currency range.
Currency MoneyOf(const Variant& value);

// `amount` with at most `decimals` (0 to 4) decimals.
Currency Rounded(Currency amount, int decimals, Rounding rounding = Rounding::HalfAwayFromZero);

// Two decimals, half away from zero, with a leading zero ("900.00", "0.50", "-1.05").
std::string TwoDecimals(Currency amount);
// The same with the whole digits grouped by thousands ("1,234.50").
std::string GroupedTwoDecimals(Currency amount);

// An exact decimal number that amounts are scaled by: at most 18 significant digits (further
// fraction digits are rounded half away from zero).
class Factor {
 public:
  // The number of a text in the forms numbers are read in (blanks, sign, digits, point,
  // exponent); nothing for any other text; overflow (6) for more than 18 whole digits.
  Factor() = default;  // 0
  static std::optional<Factor> parse(std::string_view text);
  // The number of a value: 0 for Null, empty text and anything that is no number.
  static Factor of(const Variant& value);
  static Factor whole(std::int64_t value);

  int sign() const { return mantissa_ < 0 ? -1 : mantissa_ > 0 ? 1 : 0; }
  // The factor divided by 100 (a percentage as a share).
  Factor percent() const;

  // `amount` times this factor, rounded to `decimals` (0 to 4); overflow (6) beyond Currency.
  Currency times(Currency amount, int decimals, Rounding rounding = Rounding::HalfAwayFromZero) const;
  // `amount` divided by this factor, rounded to `decimals`; the factor must not be 0.
  Currency divides(Currency amount, int decimals, Rounding rounding = Rounding::HalfAwayFromZero) const;

 private:
  Factor(__int128 mantissa, int scale) : mantissa_(mantissa), scale_(scale) {}

  __int128 mantissa_ = 0;  // the number is mantissa_ / 10^scale_
  int scale_ = 0;
};

}  // namespace corvane
