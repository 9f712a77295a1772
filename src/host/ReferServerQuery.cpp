#include "host/ReferServerQuery.h"

#include <cctype>
#include <string>

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' || c == '$' ||
         (static_cast<unsigned char>(c) & 0x80) != 0;
}

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string lower(std::string_view word) {
  std::string result(word);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

// Walks the text token by token, skipping what the statement does not execute (literals, quoted
// names, comments); answers false as soon as something would let the text do more than read.
class QueryScanner {
 public:
  explicit QueryScanner(std::string_view text) : text_(text) {}

  bool readsOnly() {
    if (!startsWithSelect()) return false;
    bool ended = false;  // a ";" was seen: only blanks and comments may follow
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (isBlank(c)) {
        ++pos_;
      } else if (startsComment()) {
        if (!skipComment()) return false;
      } else if (ended) {
        return false;
      } else if (c == ';') {
        ended = true;
        ++pos_;
      } else if (c == '\'') {
        if (!skipQuoted('\'')) return false;
      } else if (c == '"') {
        if (!skipQuoted('"')) return false;
      } else if (c == '[') {
        if (!skipQuoted(']')) return false;
      } else if (isWordChar(c)) {
        if (lower(word()) == "into") return false;
      } else {
        ++pos_;
      }
    }
    return true;
  }

 private:
  bool startsWithSelect() {
    while (pos_ < text_.size()) {
      if (isBlank(text_[pos_]) || text_[pos_] == '(') {
        ++pos_;
      } else if (startsComment()) {
        if (!skipComment()) return false;
      } else {
        break;
      }
    }
    return pos_ < text_.size() && isWordChar(text_[pos_]) && lower(word()) == "select";
  }

  std::string_view word() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && isWordChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  bool startsComment() const { return text_.substr(pos_, 2) == "--" || text_.substr(pos_, 2) == "/*"; }

  // False when a block comment is not closed.
  bool skipComment() {
    if (text_.substr(pos_, 2) == "--") {
      const std::size_t end = text_.find('\n', pos_);
      pos_ = end == std::string_view::npos ? text_.size() : end + 1;
      return true;
    }
    const std::size_t end = text_.find("*/", pos_ + 2);
    if (end == std::string_view::npos) return false;
    pos_ = end + 2;
    return true;
  }

  // Skips a literal or quoted name, a doubled closing character standing for one; false when it
  // is not closed.
  bool skipQuoted(char close) {
    ++pos_;
    while (pos_ < text_.size()) {
      if (text_[pos_] == close) {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == close) {
          pos_ += 2;
          continue;
        }
        ++pos_;
        return true;
      }
      ++pos_;
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

bool IsReadOnlyQuery(std::string_view tsql) { return QueryScanner(tsql).readsOnly(); }

void RequireReadOnlyQuery(std::string_view tsql) {
  if (!IsReadOnlyQuery(tsql)) {
    throw RuntimeError(errnum::kInvalidArgument, "Only a single SELECT statement may be run here.");
  }
}

}  // namespace corvane
