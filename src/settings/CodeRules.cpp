#include "settings/CodeRules.h"

#include <algorithm>

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

int digitAt(std::string_view rule, std::size_t index) {
  const char c = rule[index];
  if (c < '0' || c > '9') raiseTypeMismatch();
  return c - '0';
}

bool startsCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }

std::string_view leadingCharacters(std::string_view text, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!startsCharacter(text[i])) continue;
    if (seen == count) return text.substr(0, i);
    ++seen;
  }
  return text;
}

std::string attributeValue(const TreeOrderList::Row& row, std::string_view name) {
  for (const auto& [key, value] : row) {
    if (key == name) return value;
  }
  return {};
}

}  // namespace

std::size_t CodeCharacterCount(std::string_view code) {
  return static_cast<std::size_t>(std::count_if(code.begin(), code.end(), startsCharacter));
}

std::int16_t GetCodeLength(std::string_view rule, std::int16_t level) {
  const auto levels = static_cast<std::int16_t>(rule.size());
  const std::int16_t last = (level <= 0 || level > levels) ? levels : level;
  int length = 0;
  for (std::int16_t i = 0; i < last; ++i) length += digitAt(rule, static_cast<std::size_t>(i));
  return static_cast<std::int16_t>(length);
}

std::int16_t GetCodeLevel(std::string_view rule, std::int16_t length) {
  int sum = 0;
  for (std::size_t i = 0; i < rule.size(); ++i) {
    sum += digitAt(rule, i);
    if (sum >= length) return static_cast<std::int16_t>(i + 1);
  }
  return static_cast<std::int16_t>(rule.size());
}

std::string ParentCode(std::string_view rule, std::string_view code) {
  const std::int16_t level = GetCodeLevel(rule, static_cast<std::int16_t>(CodeCharacterCount(code)));
  const std::int16_t parentLength = GetCodeLength(rule, static_cast<std::int16_t>(level - 1));
  return std::string(leadingCharacters(code, static_cast<std::size_t>(std::max<std::int16_t>(parentLength, 0))));
}

TreeReply::TreeReply(XmlNode list, std::string rule) : rule_(std::move(rule)) {
  for (const XmlNode& row : list.selectNodes(".//row")) remember(row);
}

bool TreeReply::placeUnderParent(const std::string& code, const std::string& name) {
  const auto parent = rowsById_.find(ParentCode(rule_, code));
  if (parent == rowsById_.end()) return false;
  placeUnder(parent->second, code, name);
  return true;
}

void TreeReply::placeUnder(XmlNode parent, const std::string& code, const std::string& name) {
  XmlNode row = parent.appendElement("row");
  row.setAttribute("id", code);
  row.setAttribute("name", "(" + code + ")" + name);
  remember(row);
}

// Codes are unique, so the first row remembered for an id is also the first in document order
// (a root always precedes a stored row that repeats its id, as the stored row hangs under it).
void TreeReply::remember(XmlNode row) { rowsById_.emplace(row.attribute("id"), row); }

TreeOrderList::TreeOrderList(std::string rule) : rule_(std::move(rule)) {}

void TreeOrderList::append(Row row) {
  rows_.push_back(std::move(row));
  remember(rows_.back(), std::prev(rows_.end()));
}

bool TreeOrderList::placeBehindParent(Row row) {
  const auto parent = rowsByCode_.find(ParentCode(rule_, attributeValue(row, "strcode")));
  if (parent == rowsByCode_.end()) return false;
  const Position position = rows_.insert(std::next(parent->second), std::move(row));
  remember(*position, position);
  return true;
}

void TreeOrderList::writeTo(XmlNode rows) const {
  for (const Row& row : rows_) {
    XmlNode element = rows.appendElement("row");
    for (const auto& [name, value] : row) element.setAttribute(name, value);
  }
}

// As in the tree, the first row remembered for a code is the first in list order: a row is only
// ever inserted behind a row already remembered.
void TreeOrderList::remember(const Row& row, Position position) {
  rowsByCode_.emplace(attributeValue(row, "strcode"), position);
}

}  // namespace corvane
