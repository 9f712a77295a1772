#include "platform/tsql/TsqlLexer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <system_error>

#include "platform/com/RuntimeError.h"

namespace corvane::db {

namespace {

[[noreturn]] void raiseStatement(std::string text) { throw RuntimeError(errnum::kDbStatement, std::move(text)); }

// The most digits an exact number may have, as in decimal(38, s).
constexpr long kMaxPrecision = 38;

// Refuses a number that no T-SQL type holds: an exact number of more than 38 digits, a float
// too large or too small for a double.
void checkNumberRange(const std::string& number) {
  if (number.find_first_of("eE") == std::string::npos) {
    if (std::count_if(number.begin(), number.end(), [](char c) { return c != '.'; }) > kMaxPrecision) {
      raiseStatement("The number '" + number + "' is out of the range for numeric representation (maximum precision " +
                     std::to_string(kMaxPrecision) + ").");
    }
  } else if (double value = 0; std::from_chars(number.data(), number.data() + number.size(), value).ec ==
                               std::errc::result_out_of_range) {
    raiseStatement("The floating point value '" + number +
                   "' is out of the range of computer representation (8 bytes).");
  }
}

// The C locale's white space: blank, tab, line feed, vertical tab, form feed, carriage return.
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isNameStart(char c) { return isAsciiLetter(c) || c == '_' || c == '#' || static_cast<unsigned char>(c) >= 0x80; }
bool isNamePart(char c) { return isNameStart(c) || isAsciiDigit(c) || c == '$' || c == '@'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  std::vector<TsqlToken> run() {
    std::vector<TsqlToken> tokens;
    tokens.reserve(text_.size() / 4 + 1);  // about as many as a statement's words and symbols
    while (skipBlanksAndComments()) {
      tokens.push_back(next());
      tokens.back().end = pos_;
    }
    tokens.push_back({TsqlToken::Kind::End, {}, text_.size(), text_.size()});
    return tokens;
  }

 private:
  char at(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  bool skipBlanksAndComments() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (isSpace(c)) {
        ++pos_;
      } else if (c == '-' && at(pos_ + 1) == '-') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (c == '/' && at(pos_ + 1) == '*') {
        const auto close = text_.find("*/", pos_ + 2);
        if (close == std::string_view::npos) raiseStatement("Missing end comment mark '*/'.");
        pos_ = close + 2;
      } else {
        return true;
      }
    }
    return false;
  }

  TsqlToken next() {
    const std::size_t start = pos_;
    const char c = text_[pos_];
    if ((c == 'N' || c == 'n') && at(pos_ + 1) == '\'') {
      ++pos_;
      return quoted('\'', TsqlToken::Kind::String, start);
    }
    if (c == '\'') return quoted('\'', TsqlToken::Kind::String, start);
    if (c == '"') return quoted('"', TsqlToken::Kind::QuotedName, start);
    if (c == '[') return bracketed(start);
    if (c == '@') {
      ++pos_;
      while (pos_ < text_.size() && isNamePart(text_[pos_])) ++pos_;
      if (pos_ == start + 1) raiseStatement("Incorrect syntax near '@'.");
      return {TsqlToken::Kind::Variable, std::string(text_.substr(start, pos_ - start)), start};
    }
    if (isAsciiDigit(c) || (c == '.' && isAsciiDigit(at(pos_ + 1)))) {
      return number(start);
    }
    if (isNameStart(c)) {
      while (pos_ < text_.size() && isNamePart(text_[pos_])) ++pos_;
      return {TsqlToken::Kind::Name, std::string(text_.substr(start, pos_ - start)), start};
    }
    return symbol(start);
  }

  TsqlToken quoted(char quote, TsqlToken::Kind kind, std::size_t start) {
    std::string value;
    ++pos_;  // opening quote
    for (;;) {
      if (pos_ >= text_.size()) {
        raiseStatement("Unclosed quotation mark after the character string '" + value + "'.");
      }
      const char c = text_[pos_++];
      if (c != quote) {
        value += c;
      } else if (at(pos_) == quote) {
        value += quote;
        ++pos_;
      } else {
        return {kind, std::move(value), start};
      }
    }
  }

  TsqlToken bracketed(std::size_t start) {
    std::string value;
    ++pos_;
    for (;;) {
      if (pos_ >= text_.size()) raiseStatement("Unclosed quotation mark after the object name '" + value + "'.");
      const char c = text_[pos_++];
      if (c != ']') {
        value += c;
      } else if (at(pos_) == ']') {
        value += ']';
        ++pos_;
      } else {
        return {TsqlToken::Kind::QuotedName, std::move(value), start};
      }
    }
  }

  TsqlToken number(std::size_t start) {
    auto digits = [&] {
      while (isAsciiDigit(at(pos_))) ++pos_;
    };
    digits();
    if (at(pos_) == '.') {
      ++pos_;
      digits();
    }
    if ((at(pos_) == 'e' || at(pos_) == 'E') &&
        (isAsciiDigit(at(pos_ + 1)) || ((at(pos_ + 1) == '+' || at(pos_ + 1) == '-') && isAsciiDigit(at(pos_ + 2))))) {
      pos_ += 2;
      digits();
    }
    std::string text(text_.substr(start, pos_ - start));
    checkNumberRange(text);
    return {TsqlToken::Kind::Number, std::move(text), start};
  }

  TsqlToken symbol(std::size_t start) {
    static constexpr std::array<std::string_view, 6> kPairs = {"<>", "!=", "<=", ">=", "!<", "!>"};
    for (const auto pair : kPairs) {
      if (text_.substr(pos_, 2) == pair) {
        pos_ += 2;
        return {TsqlToken::Kind::Symbol, std::string(pair), start};
      }
    }
    static constexpr std::string_view kSingles = "(),.;+-*/%=<>&|^~";
    if (kSingles.find(text_[pos_]) == std::string_view::npos) {
      raiseStatement("Incorrect syntax near '" + std::string(1, text_[pos_]) + "'.");
    }
    return {TsqlToken::Kind::Symbol, std::string(1, text_[pos_++]), start};
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

bool TsqlToken::isWord(std::string_view word) const { return kind == Kind::Name && equalsIgnoringCase(text, word); }

std::string TsqlToken::describe() const { return kind == Kind::End ? "the end of the statement" : "'" + text + "'"; }

std::vector<TsqlToken> tokenizeTsql(std::string_view text) { return Lexer(text).run(); }

}  // namespace corvane::db
