#pragma once
// Coded trees: rows kept flat in a table, each placed in its hierarchy by its code alone. A code
// rule is a text of digits, one per level, each the number of characters that level adds to a
// code; a code's leading characters are the code of its parent. From a rule and the codes come
// the two answers the tree editors give: the nested tree reply and the flat list in tree order.

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/xml/XmlDocument.h"

namespace corvane {

// The length of a full code of `level`: the sum of the rule's first `level` digits; the sum of
// all digits when `level` is 0, negative or past the last digit. A character that is not a digit
// raises type mismatch (13).
std::int16_t GetCodeLength(std::string_view rule, std::int16_t level);

// The first level whose full code is at least `length` characters long; the number of levels
// when none is. A character that is not a digit raises type mismatch (13).
std::int16_t GetCodeLevel(std::string_view rule, std::int16_t length);

// The length of a code in characters (codes are counted and cut in characters, not bytes).
std::size_t CodeCharacterCount(std::string_view code);

// The leading characters of `code` that form its parent's code. At level 1 the parent length is
// the full code length, so a top-level code (or any shorter one) is its own parent code.
std::string ParentCode(std::string_view rule, std::string_view code);

// Builds a tree reply: rows nested under the row whose `id` is their parent code.
class TreeReply {
 public:
  // `list` already holds the fixed root rows; they are found by their ids like any other row.
  TreeReply(XmlNode list, std::string rule);

  // Appends "<row id=code name='(code)name'/>" as the last child of the first row, in document
  // order, whose id is the code's parent code. Answers false, appending nothing, when there is
  // no such row.
  bool placeUnderParent(const std::string& code, const std::string& name);
  // Appends the row as the last child of `parent`.
  void placeUnder(XmlNode parent, const std::string& code, const std::string& name);

 private:
  void remember(XmlNode row);

  std::string rule_;
  std::map<std::string, XmlNode, std::less<>> rowsById_;  // the first row of each id
};

// Builds a flat list in tree order: each row goes right behind its parent's row.
class TreeOrderList {
 public:
  using Row = std::vector<std::pair<std::string, std::string>>;  // attributes, strcode among them

  explicit TreeOrderList(std::string rule);

  // Appends the row at the end of the list without looking for a parent.
  void append(Row row);
  // Inserts the row right behind the first row whose strcode is its parent code. Answers false,
  // inserting nothing, when there is no such row.
  bool placeBehindParent(Row row);
  // One `row` element per row, in list order, appended under `rows`.
  void writeTo(XmlNode rows) const;

 private:
  using Position = std::list<Row>::iterator;
  void remember(const Row& row, Position position);

  std::string rule_;
  std::list<Row> rows_;
  std::map<std::string, Position, std::less<>> rowsByCode_;  // the first row of each code
};

}  // namespace corvane
