#include "platform/db/Field.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "platform/db/RecordsetData.h"

namespace corvane::db {

namespace {

enum class Arguments { None, Length, PrecisionScale };

struct TypeName {
  std::string_view name;
  DeclaredType type;
  Arguments arguments;
};

constexpr long kLongText = 2147483647;
constexpr long kLongUnicodeText = 1073741823;

// Sizes and precisions as the record-set library reports them; lengths left out of a
// declaration take the largest that is not a long type (the literal `max` gives a long one).
constexpr TypeName kTypeNames[] = {
    {"char", {adChar, 1}, Arguments::Length},
    {"nchar", {adWChar, 1}, Arguments::Length},
    {"varchar", {adVarChar, 8000}, Arguments::Length},
    {"nvarchar", {adVarWChar, 4000}, Arguments::Length},
    {"text", {adLongVarChar, kLongText}, Arguments::None},
    {"ntext", {adLongVarWChar, kLongUnicodeText}, Arguments::None},
    {"int", {adInteger, 4, 10}, Arguments::None},
    {"integer", {adInteger, 4, 10}, Arguments::None},
    {"smallint", {adSmallInt, 2, 5}, Arguments::None},
    {"tinyint", {adUnsignedTinyInt, 1, 3}, Arguments::None},
    {"bigint", {adBigInt, 8, 19}, Arguments::None},
    {"bit", {adBoolean, 2}, Arguments::None},
    {"money", {adCurrency, 8, 19, 4}, Arguments::None},
    {"smallmoney", {adCurrency, 4, 10, 4}, Arguments::None},
    {"decimal", {adNumeric, 19, 18, 0}, Arguments::PrecisionScale},
    {"numeric", {adNumeric, 19, 18, 0}, Arguments::PrecisionScale},
    {"float", {adDouble, 8, 15}, Arguments::None},
    {"real", {adSingle, 4, 7}, Arguments::None},
    {"datetime", {adDBTimeStamp, 16, 23, 3}, Arguments::None},
    {"smalldatetime", {adDBTimeStamp, 16, 16, 0}, Arguments::None},
    {"uniqueidentifier", {adGUID, 16}, Arguments::None},
    {"binary", {adBinary, 1}, Arguments::Length},
    {"varbinary", {adVarBinary, 8000}, Arguments::Length},
    {"image", {adLongVarBinary, kLongText}, Arguments::None},
    // The row version: a database-wide counter here, read as a number.
    {"timestamp", {adBigInt, 8, 19}, Arguments::None},
    {"rowversion", {adBigInt, 8, 19}, Arguments::None},
};

// "[decimal] (18, 2) NULL" gives "decimal" and the texts "18" and "2".
std::string lowerWithoutBrackets(std::string_view declaration) {
  std::string text;
  for (const char c : declaration) {
    if (c != '[' && c != ']') text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

std::vector<std::string> argumentTexts(std::string_view rest) {
  std::vector<std::string> texts;
  const std::size_t open = rest.find('(');
  const std::size_t close = rest.find(')', open);
  if (open == std::string_view::npos || close == std::string_view::npos) return texts;
  std::string current;
  for (const char c : rest.substr(open + 1, close - open - 1)) {
    if (c == ',') {
      texts.push_back(current);
      current.clear();
    } else if (c != ' ' && c != '\t') {
      current += c;
    }
  }
  texts.push_back(current);
  return texts;
}

std::optional<long> number(const std::string& text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value <= 0) return std::nullopt;
  return value;
}

DataType longVersionOf(DataType type) {
  switch (type) {
    case adVarChar: return adLongVarChar;
    case adVarWChar: return adLongVarWChar;
    case adVarBinary: return adLongVarBinary;
    default: return type;
  }
}

void applyLength(DeclaredType& type, const std::vector<std::string>& arguments) {
  if (arguments.empty()) return;
  if (arguments.front() == "max") {
    type.type = longVersionOf(type.type);
    type.definedSize = type.type == adLongVarWChar ? kLongUnicodeText : kLongText;
  } else if (const auto length = number(arguments.front())) {
    type.definedSize = *length;
  }
}

void applyPrecisionScale(DeclaredType& type, const std::vector<std::string>& arguments) {
  if (!arguments.empty()) {
    if (const auto precision = number(arguments[0])) type.precision = static_cast<int>(*precision);
  }
  if (arguments.size() > 1) {
    long scale = 0;
    const std::string& text = arguments[1];
    if (std::from_chars(text.data(), text.data() + text.size(), scale).ec == std::errc()) {
      type.numericScale = static_cast<int>(scale);
    }
  }
}

}  // namespace

std::optional<DeclaredType> fieldTypeOf(std::string_view declaration) {
  const std::string text = lowerWithoutBrackets(declaration);
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return std::nullopt;
  std::size_t end = start;
  while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) {
    ++end;
  }
  const std::string_view name = std::string_view(text).substr(start, end - start);
  const auto found = std::find_if(std::begin(kTypeNames), std::end(kTypeNames),
                                  [name](const TypeName& entry) { return entry.name == name; });
  if (found == std::end(kTypeNames)) return std::nullopt;
  DeclaredType type = found->type;
  const auto arguments = argumentTexts(std::string_view(text).substr(end));
  if (found->arguments == Arguments::Length) applyLength(type, arguments);
  if (found->arguments == Arguments::PrecisionScale) applyPrecisionScale(type, arguments);
  return type;
}

bool isFixedLength(DataType type) {
  switch (type) {
    case adVarChar:
    case adVarWChar:
    case adLongVarChar:
    case adLongVarWChar:
    case adVarBinary:
    case adLongVarBinary:
    case adEmpty: return false;
    default: return true;
  }
}

bool isText(DataType type) {
  switch (type) {
    case adChar:
    case adWChar:
    case adVarChar:
    case adVarWChar:
    case adLongVarChar:
    case adLongVarWChar:
    case adGUID: return true;
    default: return false;
  }
}

bool isLong(DataType type) { return type == adLongVarChar || type == adLongVarWChar || type == adLongVarBinary; }

const Variant& Field::value() const {
  const RecordsetData& data = *recordset_;
  if (!data.hasCurrentRecord()) raiseNoCurrentRecord();
  return data.currentRow().values[index_];
}

}  // namespace corvane::db
