#include "core/RowVersion.h"

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

std::string RowVersion::condition(std::string_view column) const {
  return "Cast(" + std::string(column) + " As money) = " + text_;
}

}  // namespace corvane
