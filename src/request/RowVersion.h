#pragma once
// The row version of a stored row as a form read it (Cast(ts As money)): digits with an optional
// decimal fraction (the settings editors also take a leading sign). It can only be made from such
// a text, so the condition it renders never carries anything but a number into a statement.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace corvane {

class RowVersion {
 public:
  // The row version written as `text`; nothing for any other text, which names no stored row.
  static std::optional<RowVersion> parse(std::string_view text);

  // As parse, but a leading '+' or '-' is taken too (isDecimalText): the set the settings editors
  // have always accepted. A signed version names no stored row, so the editor's statement simply
  // matches nothing and the editor answers as for a changed row.
  static std::optional<RowVersion> parseSigned(std::string_view text);

  // As parseSigned, but any number SqlNum writes is taken (blanks around it, an exponent): the set
  // the item tree's editor has always accepted.
  static std::optional<RowVersion> parseNumber(std::string_view text);

  const std::string& text() const { return text_; }

  // "Cast(<column> As money) = <text>": true only while the row is as the form read it.
  std::string condition(std::string_view column = "ts") const;

 private:
  explicit RowVersion(std::string text) : text_(std::move(text)) {}

  std::string text_;
};

}  // namespace corvane
