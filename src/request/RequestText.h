#pragma once
// Reading values from a request's func element, and the whole numbers that alone may stand
// unquoted in SQL.

#include <optional>
#include <string>
#include <string_view>

#include "platform/xml/XmlDocument.h"

namespace corvane {

// The text of the element that `path` selects under `node`. Raises RuntimeError 91 when there
// is no such element, as reading a missing node's text did.
std::string RequiredText(const XmlNode& node, std::string_view path);

// The text of that element, or empty text when it is missing.
std::string OptionalText(const XmlNode& node, std::string_view path);

// The whole number that `text` holds (optional sign, digits, nothing else), written without
// leading zeros; nullopt for any other text, the empty one included, and for numbers beyond 64
// bits. Only such a text may stand unquoted in SQL.
std::optional<std::string> WholeNumber(std::string_view text);

}  // namespace corvane
