#include "platform/tsql/LiteralTemplate.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <utility>

#include "platform/com/AsciiText.h"
#include "platform/com/DecimalText.h"
#include "platform/com/Variant.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/tsql/SqliteStatement.h"
#include "platform/tsql/TsqlLexer.h"

namespace corvane::db {

namespace {

// A text literal's marker is kTextMarker, two letters naming the literal, then kTextFill up to
// the length of the value it stands for; neither byte may occur in a text that is shaped. A
// number's marker is kNumberMarker, three digits naming the literal, then 1; a text holding
// kNumberMarker anywhere is not shaped.
constexpr char kTextMarker = '\x01';
constexpr char kTextFill = '\x02';
constexpr std::size_t kTextMarkerHead = 3;
constexpr std::string_view kNumberMarker = "7306";
constexpr std::size_t kNumberMarkerLength = 8;
constexpr std::size_t kMostLiterals = 26 * 26;
constexpr std::size_t kMostDigits = 18;  // a whole number that always fits 64 bits

std::string textMarker(std::size_t literal, std::size_t length) {
  std::string marker{kTextMarker, static_cast<char>('a' + literal / 26), static_cast<char>('a' + literal % 26)};
  marker.append(length - kTextMarkerHead, kTextFill);
  return marker;
}

std::string numberMarker(std::size_t literal) {
  const std::string digits = std::to_string(1000 + literal).substr(1);
  return std::string(kNumberMarker) + digits + "1";
}

// True when `text` holds one of `bytes`; a plain loop, as find_first_of looks each byte up anew.
bool holdsAny(std::string_view text, std::string_view bytes) {
  return std::any_of(text.begin(), text.end(), [bytes](char c) {
    return std::any_of(bytes.begin(), bytes.end(), [c](char byte) { return c == byte; });
  });
}

bool isPlainText(const std::string& value) {
  return value.size() >= 4 && !isBlank(value.front()) && !isBlank(value.back()) && !holdsAny(value, "[\x01\x02") &&
         !isDecimalText(value) && !DateTime::parse(value) && !equalsIgnoringCase(value, "IsUserTable");
}

bool isComparison(const TsqlToken& token) {
  static constexpr std::array<std::string_view, 9> kComparisons = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
  return std::any_of(kComparisons.begin(), kComparisons.end(), [&](std::string_view op) { return token.isSymbol(op); });
}

// A number of digits with at most one point; its form in the shape ("i" whole, "d4.1" for
// 1500.5), empty when it is not plain in any place.
std::string numberForm(const std::string& text) {
  const auto digitOrPoint = [](char c) { return isAsciiDigit(c) || c == '.'; };
  if (text.empty() || text.size() > kMostDigits || !std::all_of(text.begin(), text.end(), digitOrPoint)) return {};
  const auto point = text.find('.');
  if (point == std::string::npos) return "i";
  if (text.find('.', point + 1) != std::string::npos) return {};
  return "d" + std::to_string(point) + "." + std::to_string(text.size() - point - 1);
}

// Where a number is a value: right after a comparison, or an item of a VALUES list.
class ValuePlaces {
 public:
  bool isValue(const TsqlToken* before, const TsqlToken& token, const TsqlToken& after) const {
    if (before == nullptr) return false;
    if (isComparison(*before)) return true;
    return depth_ == 1 && (before->isSymbol("(") || before->isSymbol(",")) &&
           (after.isSymbol(",") || after.isSymbol(")")) && token.kind == TsqlToken::Kind::Number;
  }
  // Follows the VALUES lists: open from the word VALUES through its rows.
  void pass(const TsqlToken& token) {
    if (token.isWord("VALUES")) {
      inValues_ = true;
      depth_ = 0;
    } else if (!inValues_) {
      return;
    } else if (token.isSymbol("(")) {
      ++depth_;
    } else if (token.isSymbol(")")) {
      --depth_;
    } else if (depth_ == 0 && !token.isSymbol(",")) {
      inValues_ = false;
    }
  }

 private:
  bool inValues_ = false;
  int depth_ = 0;
};

bool changesRows(const std::string& sql) {
  const std::string verb = leadingWord(sql);
  return verb == "insert" || verb == "update" || verb == "delete";
}

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }
char charAt(const std::string& text, std::size_t at) { return at < text.size() ? text[at] : '\0'; }

// The literal whose marker starts at `at` in a probe's statement, and how it came out; nullopt
// when the marker stands anywhere but alone (inside another literal or name, or in a doubled
// apostrophe), which makes the shape's literals part of the translation.
std::optional<std::pair<std::size_t, bool>> markerAt(const std::string& sql, std::size_t at, const LiteralShape& shape,
                                                     std::size_t& end) {
  std::size_t literal = 0;
  const bool quoted = at >= 1 && sql[at - 1] == '\'';
  if (sql[at] == kTextMarker) {
    const auto isLetter = [&](std::size_t i) { return i < sql.size() && sql[i] >= 'a' && sql[i] <= 'z'; };
    if (!isLetter(at + 1) || !isLetter(at + 2)) return std::nullopt;
    literal = static_cast<std::size_t>(sql[at + 1] - 'a') * 26 + static_cast<std::size_t>(sql[at + 2] - 'a');
    if (literal >= shape.values.size() || shape.numbers[literal] || !quoted) return std::nullopt;
    end = at + shape.values[literal].value.size();
    if (sql.compare(at, end - at, textMarker(literal, end - at)) != 0) return std::nullopt;
  } else {
    end = at + kNumberMarkerLength;
    if (end > sql.size()) return std::nullopt;
    const std::string digits = sql.substr(at + kNumberMarker.size(), 3);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    literal = static_cast<std::size_t>(std::stoi(digits));
    if (literal >= shape.values.size() || !shape.numbers[literal] ||
        sql.compare(at, kNumberMarkerLength, numberMarker(literal)) != 0) {
      return std::nullopt;
    }
    if (!quoted && ((at > 0 && isWordChar(sql[at - 1])) || isWordChar(charAt(sql, end)))) return std::nullopt;
  }
  if (quoted && (charAt(sql, end) != '\'' || charAt(sql, end + 1) == '\'' || (at >= 2 && sql[at - 2] == '\''))) {
    return std::nullopt;
  }
  if (quoted) ++end;
  return std::make_pair(literal, quoted);
}

std::size_t nextMarker(const std::string& sql, std::size_t from) {
  return std::min(sql.find(kTextMarker, from), sql.find(kNumberMarker, from));
}

bool hasMarker(const std::string& text) { return nextMarker(text, 0) != std::string::npos; }

bool hasMarker(const ProgramStep& step) {
  return std::any_of(step.columns.begin(), step.columns.end(), [](const ResultColumn& column) {
    return hasMarker(column.name) || hasMarker(column.declaration);
  });
}

}  // namespace

std::optional<LiteralShape> shapeOf(std::string_view tsql) {
  if (holdsAny(tsql, "\x01\x02")) return std::nullopt;
  const bool numbersShaped = tsql.find(kNumberMarker) == std::string_view::npos;
  std::vector<TsqlToken> tokens;
  try {
    tokens = tokenizeTsql(tsql);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  LiteralShape shape;
  std::size_t copied = 0;
  ValuePlaces places;
  for (std::size_t index = 0; index + 1 < tokens.size() && shape.values.size() < kMostLiterals; ++index) {
    const TsqlToken& token = tokens[index];
    const TsqlToken* before = index > 0 ? &tokens[index - 1] : nullptr;
    const std::size_t literal = shape.values.size();
    if (token.kind == TsqlToken::Kind::String && isPlainText(token.text)) {
      const std::size_t open = tsql.find('\'', token.offset);  // after an N prefix
      const std::string_view head = tsql.substr(copied, open + 1 - copied);
      shape.key.append(head).append(std::to_string(token.text.size())).append(1, kTextMarker);
      shape.probe.append(head).append(textMarker(literal, token.text.size()));
      shape.values.push_back({token.text, false});
      shape.numbers.push_back(false);
      copied = token.end - 1;  // the closing apostrophe
    } else if (const std::string form = token.kind == TsqlToken::Kind::Number ? numberForm(token.text) : "";
               !form.empty() && numbersShaped && places.isValue(before, token, tokens[index + 1])) {
      const std::string_view head = tsql.substr(copied, token.offset - copied);
      shape.key.append(head).append(1, kTextMarker).append(1, '#').append(form).append(1, kTextMarker);
      shape.probe.append(head).append(numberMarker(literal));
      shape.values.push_back({token.text, form == "i"});
      shape.numbers.push_back(true);
      copied = token.end;
    }
    places.pass(token);
  }
  if (shape.values.empty()) return std::nullopt;
  shape.key.append(tsql.substr(copied));
  shape.probe.append(tsql.substr(copied));
  return shape;
}

std::optional<LiteralTemplate> LiteralTemplate::fromProbe(const Program& probe, const LiteralShape& shape) {
  LiteralTemplate result;
  for (const ProgramStep& step : probe.steps()) {
    if (hasMarker(step)) return std::nullopt;
    Step kept{step, {}, {}, step.kind == ProgramStep::Kind::Execute && step.countsChanges && changesRows(step.sql)};
    kept.step.sql.clear();
    const std::string& sql = step.sql;
    std::size_t from = 0;
    for (std::size_t at = nextMarker(sql, 0); at != std::string::npos; at = nextMarker(sql, from)) {
      std::size_t end = 0;
      const auto marker = markerAt(sql, at, shape, end);
      if (!marker) return std::nullopt;
      const auto [literal, quoted] = *marker;
      kept.pieces.push_back(sql.substr(from, at - (quoted ? 1 : 0) - from));
      kept.slots.push_back({literal, quoted});
      from = end;
    }
    kept.pieces.push_back(sql.substr(from));
    result.steps_.push_back(std::move(kept));
  }
  for (const ProgramVariable& variable : probe.variables()) {
    if (hasMarker(variable.name)) return std::nullopt;
  }
  result.variables_ = probe.variables();
  result.schemasRead_ = probe.schemasRead();
  result.numbers_ = shape.numbers;
  return result;
}

Program LiteralTemplate::render(const std::vector<ProgramLiteral>& values) const { return render(values, true); }

Program LiteralTemplate::renderWrittenIn(const std::vector<ProgramLiteral>& values) const {
  return render(values, false);
}

// Bound, literal i reads as parameter i after the variables, a number written as text as
// parameter values.size() + i after them.
Program LiteralTemplate::render(const std::vector<ProgramLiteral>& values, bool bind) const {
  std::vector<ProgramStep> steps;
  steps.reserve(steps_.size());
  bool binds = false;
  for (const Step& kept : steps_) {
    ProgramStep step = kept.step;
    const bool asParameters = bind && kept.bindsValues;
    step.sql = kept.pieces.front();
    for (std::size_t gap = 0; gap < kept.slots.size(); ++gap) {
      const Slot& slot = kept.slots[gap];
      const ProgramLiteral& value = values[slot.literal];
      if (slot.asText && asParameters) {
        // a number written into a text column is read as its text
        const bool numberAsText = numbers_[slot.literal];
        step.sql += "?" + std::to_string(variables_.size() + slot.literal + (numberAsText ? values.size() : 0) + 1);
      } else if (slot.asText) {
        step.sql += quoteLiteral(value.value);
      } else if (asParameters) {
        // a whole number is bound as an integer; another is bound as its text and cast, which
        // reads it with SQLite's own reading of a literal, to the same value; the unary plus
        // takes away the cast's affinity, so that it compares as the literal would
        const std::string parameter = "?" + std::to_string(variables_.size() + slot.literal + 1);
        step.sql += value.isInteger ? parameter : "+CAST(" + parameter + " AS REAL)";
      } else {
        step.sql += value.value;  // other numbers as SQLite reads them written
      }
      step.sql += kept.pieces[gap + 1];
    }
    binds = binds || (asParameters && !kept.slots.empty());
    steps.push_back(std::move(step));
  }
  if (!binds) return Program(std::move(steps), variables_, {}, schemasRead_);
  std::vector<ProgramLiteral> parameters = values;
  for (const ProgramLiteral& value : values) parameters.push_back({value.value, false});
  return Program(std::move(steps), variables_, std::move(parameters), schemasRead_);
}

}  // namespace corvane::db
