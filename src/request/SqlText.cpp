#include "request/SqlText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <vector>

#include "request/Locale.h"

namespace corvane {

namespace {

std::vector<std::string> splitOn(const std::string& text, std::string_view separator) {
  std::vector<std::string> segments;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    segments.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  segments.push_back(text.substr(start));
  return segments;
}

char lowered(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return lowered(x) == lowered(y); });
}

// Replaces every occurrence, left to right, without looking at replaced text again.
std::string replaceAll(const std::string& text, std::string_view from, std::string_view to, bool ignoreCase = false) {
  std::string result;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::string_view rest = std::string_view(text).substr(at, from.size());
    const bool matches = ignoreCase ? equalsIgnoreCase(rest, from) : rest == from;
    if (matches) {
      result += to;
      at += from.size();
    } else {
      result += text[at++];
    }
  }
  return result;
}

std::string replaceUntilNone(std::string text, std::string_view from, std::string_view to) {
  while (text.find(from) != std::string::npos) text = replaceAll(text, from, to);
  return text;
}

std::string replaceFirst(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Alias rewriting must not reach into string literals. Their contents are swapped out for a
// mark character while the aliases are rewritten and put back afterwards; the rewriting never
// reorders text, so the marks come back in order. A mark character already present in the text
// is swapped out the same way, so that it too comes back as it was.
constexpr char kLiteralMark = '\x01';

struct MaskedText {
  std::string text;
  std::vector<std::string> pieces;
};

MaskedText maskLiterals(const std::string& s) {
  MaskedText masked;
  const std::vector<std::string> segments = splitOn(s, "'");
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) masked.text += '\'';
    const std::string& segment = segments[i];
    const bool insideLiteral = i % 2 == 1;
    if (insideLiteral && !segment.empty()) {
      masked.text += kLiteralMark;
      masked.pieces.push_back(segment);
      continue;
    }
    for (const char c : segment) {
      masked.text += c;
      if (c == kLiteralMark) masked.pieces.emplace_back(1, kLiteralMark);
    }
  }
  return masked;
}

std::string unmaskLiterals(const std::string& text, const std::vector<std::string>& pieces) {
  std::string result;
  std::size_t next = 0;
  for (const char c : text) {
    if (c == kLiteralMark && next < pieces.size()) {
      result += pieces[next++];
    } else {
      result += c;
    }
  }
  return result;
}

// Every case variant of these words between blanks ends in lower case.
std::string normalizeKeywords(const std::string& s) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kWords = {{
      {" AS ", " as "},
      {")as ", ") as "},
      {" From ", " from "},
      {" Into ", " into "},
      {" Union ", " union "},
  }};
  std::string text = s;
  for (const auto& [from, to] : kWords) text = replaceAll(text, from, to, true);
  return text;
}

// The first text that ends an alias, and what closes the bracket there.
struct AliasEnd {
  std::size_t position = std::string::npos;
  std::string_view key;
  std::string_view replacement;
};

AliasEnd findAliasEnd(const std::string& segment) {
  static constexpr std::array<AliasEnd, 4> kEnds = {{
      {0, ",", "],"},
      {0, " from", "] from"},
      {0, " into ", "] into "},
      {0, " union ", "] union "},
  }};
  static constexpr std::array<std::string_view, 4> kMarks = {",", "from", "into", "union"};
  AliasEnd first;
  for (std::size_t i = 0; i < kMarks.size(); ++i) {
    const std::size_t at = segment.find(kMarks[i]);
    if (at < first.position) {
      first = kEnds[i];
      first.position = at;
    }
  }
  return first;
}

std::string rewriteAliasSegment(const std::string& segment) {
  const AliasEnd end = findAliasEnd(segment);
  std::string result;
  if (end.position != std::string::npos && HasNoParen(segment.substr(0, end.position + 1))) {
    result = " as [" + replaceFirst(segment, end.key, end.replacement);
    result = replaceUntilNone(result, "[ ", "[");
    result = replaceUntilNone(result, " ]", "]");
  } else {
    result = " as " + segment;
  }
  result = replaceAll(result, "[[", "[");
  result = replaceAll(result, "]]", "]");
  result = replaceAll(result, "[N'", "N'");
  return replaceAll(result, "']", "'");
}

std::string bracketAliasesOutsideLiterals(const std::string& s) {
  const std::vector<std::string> segments = splitOn(normalizeKeywords(s), " as ");
  std::string result = segments.front();
  for (std::size_t i = 1; i < segments.size(); ++i) result += rewriteAliasSegment(segments[i]);
  return result;
}

bool isEnglishLocale(const std::string& locale) { return equalsIgnoreCase(locale, "en-us"); }

}  // namespace

std::string FixSqlText(const std::string& s) {
  const std::vector<std::string> segments = splitOn(s, "'");
  std::string result;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const std::string& segment = segments[i];
    result += segment;
    if (i + 1 == segments.size()) break;
    const bool opensLiteral = i % 2 == 0 && !segment.empty() && segment.back() != 'N';
    result += opensLiteral ? "N'" : "'";
  }
  return isEnglishLocale(gLocaleID) ? BracketAliases(result) : result;
}

std::string BracketAliases(const std::string& s) {
  const MaskedText masked = maskLiterals(s);
  return unmaskLiterals(bracketAliasesOutsideLiterals(masked.text), masked.pieces);
}

bool HasNoParen(const std::string& s) { return s.find_first_of("()") == std::string::npos; }

}  // namespace corvane
