#include "request/RequestText.h"

#include <charconv>
#include <cstdint>

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

XmlNode requiredNode(const XmlNode& node, std::string_view path) {
  const XmlNode found = node.selectSingleNode(path);
  if (!found) {
    raiseObjectMissing();
  }
  return found;
}

}  // namespace

std::string RequiredText(const XmlNode& node, std::string_view path) { return requiredNode(node, path).text(); }

std::string OptionalText(const XmlNode& node, std::string_view path) {
  const XmlNode found = node.selectSingleNode(path);
  return found ? found.text() : std::string();
}

std::optional<std::string> WholeNumber(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return (text.front() == '-' && value != 0 ? "-" : "") + std::to_string(value);
}

}  // namespace corvane
