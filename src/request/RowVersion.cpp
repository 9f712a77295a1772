#include "request/RowVersion.h"

#include "platform/com/DecimalText.h"
#include "platform/com/Variant.h"
#include "request/Values.h"

namespace corvane {

std::optional<RowVersion> RowVersion::parse(std::string_view text) {
  std::size_t digits = 0;
  bool point = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  return RowVersion(std::string(text));
}

std::optional<RowVersion> RowVersion::parseSigned(std::string_view text) {
  if (!isDecimalText(text)) return std::nullopt;
  return RowVersion(std::string(text));
}

std::optional<RowVersion> RowVersion::parseNumber(std::string_view text) {
  std::string number = SqlNum(Variant(std::string(text)));
  if (number == "null") return std::nullopt;
  return RowVersion(std::move(number));
}

std::string RowVersion::condition(std::string_view column) const {
  return "Cast(" + std::string(column) + " As money) = " + text_;
}

}  // namespace corvane
