#include "platform/tsql/TsqlParser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/tsql/ErrorTexts.h"
#include "platform/tsql/Parser.h"

namespace corvane::db {

namespace parser {

namespace {

// How deep statements, queries and expressions may nest: the parser descends by recursion, so
// deeper text is refused, as SQL Server refuses it, before it can exhaust the stack. (SQLite's
// own parser takes fewer than 100 nested parentheses and some 20 nested subqueries.)
constexpr int kMaxNesting = 64;

// The largest size a type may be given, as in `varchar(n)` and `decimal(p, s)`.
constexpr long kMaxTypeSize = 8000;

// A whole number written in digits; nullopt when it exceeds a long.
std::optional<long> wholeNumber(const std::string& digits) {
  long value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

[[noreturn]] void raiseStatement(std::string text) { throw RuntimeError(errnum::kDbStatement, std::move(text)); }

[[noreturn]] void raiseUnsupported(const std::string& what) {
  raiseStatement(what + " is not supported by the SQL translator.");
}

NestingLevel::NestingLevel(int& depth) : depth_(depth) {
  if (depth_ >= kMaxNesting) raiseStatement(std::string(kTooDeepText));
  ++depth_;
}

// Words that end an expression or a list and so never read as an alias.
bool isReserved(const TsqlToken& token) {
  static constexpr std::array<std::string_view, 58> kWords = {
      "select", "from",    "where",  "group",  "order",   "having", "union",   "except", "intersect", "into",
      "on",     "join",    "inner",  "left",   "right",   "full",   "cross",   "outer",  "and",       "or",
      "not",    "as",      "insert", "update", "delete",  "set",    "values",  "if",     "else",      "begin",
      "end",    "declare", "when",   "then",   "case",    "is",     "in",      "like",   "between",   "null",
      "exists", "with",    "use",    "drop",   "create",  "while",  "return",  "by",     "top",       "distinct",
      "all",    "option",  "for",    "exec",   "execute", "print",  "collate", "escape"};
  if (token.kind != TokenKind::Name) return false;
  return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view w) { return token.isWord(w); });
}

Program Parser::translate() {
  while (peek().kind != TokenKind::End) {
    if (acceptSymbol(";")) continue;
    parseStatement();
  }
  return Program(std::move(steps_), std::move(variables_), {}, catalog_.schemasRead());
}

long Parser::expectInteger() {
  const auto value = wholeNumber(expectDigits().text);
  if (!value) raiseStatement("Arithmetic overflow error converting expression to data type bigint.");
  return *value;
}

// A size in a type's parentheses: `varchar(n)`, `decimal(p, s)`.
long Parser::expectTypeSize(const std::string& type) {
  const std::string& digits = expectDigits().text;
  const auto value = wholeNumber(digits);
  if (!value || *value > kMaxTypeSize) {
    raiseStatement("The size (" + digits + ") given to the type '" + type +
                   "' exceeds the maximum allowed for any data type (" + std::to_string(kMaxTypeSize) + ").");
  }
  return *value;
}

// A parenthesised query starts here: `(` then any further `(` then SELECT.
bool Parser::queryAhead() const {
  std::size_t ahead = 0;
  while (peek(ahead).isSymbol("(")) ++ahead;
  return ahead > 0 && peek(ahead).isWord("SELECT");
}

// Whether the `(` here opens a query, not an expression, an IN list or a join: when its
// content is a SELECT, or a parenthesised query that a set operator, ORDER BY or the closing
// parenthesis follows. Decided from the tokens alone, so that nothing is parsed twice.
bool Parser::queryInParentheses() const {
  for (std::size_t open = pos_;; ++open) {
    const TsqlToken& first = tokens_[std::min(open + 1, tokens_.size() - 1)];
    if (first.isWord("SELECT")) return true;
    if (!first.isSymbol("(")) return false;
    const std::size_t close = closings_[open + 1];
    if (close == kUnclosed) return true;          // unbalanced: reading it as a query reports where
    const TsqlToken& after = tokens_[close + 1];  // the last token is End, never `)`
    if (after.isWord("UNION") || after.isWord("EXCEPT") || after.isWord("INTERSECT") || after.isWord("ORDER")) {
      return true;
    }
    if (!after.isSymbol(")")) return false;
  }
}

// For each `(` token the index of the `)` that closes it, kUnclosed for other tokens.
std::vector<std::size_t> Parser::matchParentheses(const std::vector<TsqlToken>& tokens) {
  std::vector<std::size_t> closings(tokens.size(), kUnclosed);
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].isSymbol("(")) {
      open.push_back(i);
    } else if (tokens[i].isSymbol(")") && !open.empty()) {
      closings[open.back()] = i;
      open.pop_back();
    }
  }
  return closings;
}

void Parser::addExecute(std::string sql, bool countsChanges) {
  ProgramStep step;
  step.sql = std::move(sql);
  step.countsChanges = countsChanges;
  steps_.push_back(std::move(step));
}

std::size_t Parser::addStep(ProgramStep::Kind kind, std::string sql) {
  ProgramStep step;
  step.kind = kind;
  step.sql = std::move(sql);
  steps_.push_back(std::move(step));
  return steps_.size() - 1;
}

void Parser::parseStatement() {
  const auto level = nest();
  const TsqlToken& token = peek();
  if (token.isWord("SELECT") || token.isSymbol("(")) {
    parseSelectStatement();
  } else if (token.isWord("INSERT")) {
    addExecute(parseInsert(), true);
  } else if (token.isWord("UPDATE")) {
    addExecute(parseUpdate(), true);
  } else if (token.isWord("DELETE")) {
    addExecute(parseDelete(), true);
  } else if (token.isWord("USE")) {
    parseUse();
  } else if (token.isWord("IF")) {
    parseIf();
  } else if (token.isWord("BEGIN")) {
    parseBlock();
  } else if (token.isWord("DECLARE")) {
    parseDeclare();
  } else if (token.isWord("SET")) {
    parseSet();
  } else if (token.isWord("CREATE")) {
    parseCreateTable();
  } else if (token.isWord("DROP")) {
    parseDropTable();
  } else if (token.kind == TokenKind::Name && !token.isWord("ELSE") && !token.isWord("END")) {
    raiseUnsupported("'" + token.text + "'");
  } else {
    failAt(token);
  }
}

std::string Parser::join(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

std::string Parser::joinSql(const std::vector<Expr>& items) {
  std::vector<std::string> sql;
  for (const auto& item : items) sql.push_back(item.sql);
  return join(sql, ", ");
}

}  // namespace parser

Program translateTsql(sqlite3* db, std::string_view tsql, CatalogMemo* memo) {
  return parser::Parser(db, tsql, memo).translate();
}

}  // namespace corvane::db
