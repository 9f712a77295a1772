#include "platform/com/Money.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

constexpr int kCurrencyDecimals = 4;
constexpr int kMaxDigits = 18;

__int128 tenTo(int power) {
  __int128 result = 1;
  for (int i = 0; i < power; ++i) result *= 10;
  return result;
}

// numerator / denominator (denominator > 0) rounded to a whole number.
__int128 divideRounded(__int128 numerator, __int128 denominator, Rounding rounding) {
  __int128 quotient = numerator / denominator;
  const __int128 remainder = numerator % denominator;
  if (remainder == 0) return quotient;
  if (rounding == Rounding::Up) return numerator > 0 ? quotient + 1 : quotient;
  const __int128 twice = (remainder < 0 ? -remainder : remainder) * 2;
  if (twice >= denominator) quotient += numerator < 0 ? -1 : 1;
  return quotient;
}

// A count of 10^-decimals units as Currency; overflow (6) beyond its range.
Currency fromUnits(__int128 units, int decimals) {
  const __int128 scaled = units * tenTo(kCurrencyDecimals - decimals);
  if (scaled > std::numeric_limits<std::int64_t>::max() || scaled < std::numeric_limits<std::int64_t>::min()) {
    raiseOverflow();
  }
  return Currency::fromScaled(static_cast<std::int64_t>(scaled));
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

}  // namespace

Currency MoneyOf(const Variant& value) {
  if (!IsNumeric(value)) return Currency();
  return CCur(value);
}

Currency Rounded(Currency amount, int decimals, Rounding rounding) {
  return fromUnits(divideRounded(amount.scaled(), tenTo(kCurrencyDecimals - decimals), rounding), decimals);
}

std::string TwoDecimals(Currency amount) {
  const __int128 cents = divideRounded(amount.scaled(), 100, Rounding::HalfAwayFromZero);
  const __int128 magnitude = cents < 0 ? -cents : cents;
  const std::string digits = std::to_string(static_cast<unsigned long long>(magnitude / 100));
  const auto fraction = static_cast<unsigned>(magnitude % 100);
  return (cents < 0 ? "-" : "") + digits + "." + (fraction < 10 ? "0" : "") + std::to_string(fraction);
}

std::string GroupedTwoDecimals(Currency amount) {
  std::string text = TwoDecimals(amount);
  const std::size_t start = text.front() == '-' ? 1 : 0;
  for (std::size_t at = text.find('.'); at > start + 3;) {
    at -= 3;
    text.insert(at, ",");
  }
  return text;
}

std::optional<Factor> Factor::parse(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::string digits;  // significant digits, the point left out
  int scale = 0;
  bool point = false;
  bool anyDigit = false;
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      anyDigit = true;
      if (digits.empty() && c == '0') {
        if (point) ++scale;
        continue;
      }
      digits += c;
      if (point) ++scale;
    } else {
      break;
    }
  }
  if (!anyDigit) return std::nullopt;
  int exponent = 0;
  if (i < text.size()) {
    if (text[i] != 'e' && text[i] != 'E') return std::nullopt;
    std::string_view rest = text.substr(i + 1);
    bool negativeExponent = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
      negativeExponent = rest.front() == '-';
      rest.remove_prefix(1);
    }
    if (rest.empty() || rest.size() > 4) return std::nullopt;
    for (const char c : rest) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
      exponent = exponent * 10 + (c - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  scale -= exponent;
  if (digits.empty()) return Factor(0, 0);
  // Whole digits beyond the limit overflow; fraction digits beyond it are rounded away.
  if (static_cast<int>(digits.size()) - scale > kMaxDigits) raiseOverflow();
  __int128 mantissa = 0;
  const int kept = std::min<int>(static_cast<int>(digits.size()), kMaxDigits);
  for (int d = 0; d < kept; ++d) mantissa = mantissa * 10 + (digits[d] - '0');
  if (kept < static_cast<int>(digits.size()) && digits[kept] >= '5') ++mantissa;
  scale -= static_cast<int>(digits.size()) - kept;
  if (scale < 0) {
    mantissa *= tenTo(-scale);
    scale = 0;
  }
  // Fractions finer than any amount can carry add nothing but size.
  while (scale > kMaxDigits) {
    mantissa = divideRounded(mantissa, 10, Rounding::HalfAwayFromZero);
    --scale;
  }
  return Factor(negative ? -mantissa : mantissa, scale);
}

Factor Factor::of(const Variant& value) {
  if (!IsNumeric(value)) return Factor(0, 0);
  const std::optional<Factor> factor = parse(CStr(value));
  return factor ? *factor : Factor(0, 0);
}

Factor Factor::whole(std::int64_t value) { return Factor(value, 0); }

Factor Factor::percent() const { return Factor(mantissa_, scale_ + 2); }

Currency Factor::times(Currency amount, int decimals, Rounding rounding) const {
  // amount * factor = scaled * mantissa / 10^(4 + scale); in units of 10^-decimals.
  const __int128 product = static_cast<__int128>(amount.scaled()) * mantissa_;
  return fromUnits(divideRounded(product, tenTo(kCurrencyDecimals + scale_ - decimals), rounding), decimals);
}

Currency Factor::divides(Currency amount, int decimals, Rounding rounding) const {
  // amount / factor = scaled * 10^scale / (mantissa * 10^4); in units of 10^-decimals.
  const int power = scale_ + decimals - kCurrencyDecimals;
  __int128 numerator = amount.scaled();
  __int128 denominator = mantissa_;
  if (power >= 0) {
    const __int128 limit = std::numeric_limits<__int128>::max() / tenTo(power);
    if (numerator > limit || numerator < -limit) raiseOverflow();
    numerator *= tenTo(power);
  } else {
    denominator *= tenTo(-power);
  }
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  return fromUnits(divideRounded(numerator, denominator, rounding), decimals);
}

}  // namespace corvane
