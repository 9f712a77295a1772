#include "platform/db/RecordsetXml.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <unordered_map>

#include "platform/com/RuntimeError.h"
#include "platform/db/RecordsetData.h"

namespace corvane::db {

namespace {

constexpr const char* kNamespaces[][2] = {
    {"xmlns:s", "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882"},
    {"xmlns:dt", "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882"},
    {"xmlns:rs", "urn:schemas-microsoft-com:rowset"},
    {"xmlns:z", "#RowsetSchema"},
};

struct XmlType {
  DataType type;
  std::string_view dtType;
  std::string_view dbType;  // empty when the format writes none
};

// The first entry of a type is the one written; the later ones are read as well.
constexpr XmlType kXmlTypes[] = {
    {adVarChar, "string", "str"},
    {adChar, "string", "str"},
    {adLongVarChar, "string", "str"},
    {adVarWChar, "string", ""},
    {adWChar, "string", ""},
    {adLongVarWChar, "string", ""},
    {adInteger, "int", ""},
    {adSmallInt, "i2", ""},
    {adTinyInt, "i1", ""},
    {adUnsignedTinyInt, "ui1", ""},
    {adBigInt, "i8", ""},
    {adBoolean, "boolean", ""},
    {adNumeric, "number", "numeric"},
    {adCurrency, "number", "currency"},
    {adDouble, "float", ""},
    {adSingle, "r4", ""},
    {adDBTimeStamp, "dateTime", "timestamp"},
    {adGUID, "uuid", ""},
    {adBinary, "bin.hex", ""},
    {adVarBinary, "bin.hex", ""},
    {adLongVarBinary, "bin.hex", ""},
    {adInteger, "i4", ""},
    {adDouble, "r8", ""},
    {adDBTimeStamp, "date", ""},
};

const XmlType& xmlTypeOf(DataType type) {
  const auto found = std::find_if(std::begin(kXmlTypes), std::end(kXmlTypes),
                                  [type](const XmlType& entry) { return entry.type == type; });
  return found == std::end(kXmlTypes) ? kXmlTypes[3] : *found;  // unknown: a Unicode text
}

bool isBinary(DataType type) { return type == adBinary || type == adVarBinary || type == adLongVarBinary; }

// ---- Column names as XML names -------------------------------------------------------------

// Decodes the UTF-8 character at `pos` and moves past it; nullopt for a malformed sequence.
std::optional<char32_t> nextCharacter(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
  if (length == 0 || pos + length > text.size()) return std::nullopt;
  char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3Fu);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  pos += length;
  return c;
}

struct CharacterRange {
  char32_t first, last;
};

constexpr CharacterRange kNameStartCharacters[] = {
    {'A', 'Z'},       {'_', '_'},       {'a', 'z'},       {0xC0, 0xD6},     {0xD8, 0xF6},
    {0xF8, 0x2FF},    {0x370, 0x37D},   {0x37F, 0x1FFF},  {0x200C, 0x200D}, {0x2070, 0x218F},
    {0x2C00, 0x2FEF}, {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF},
};
constexpr CharacterRange kMoreNameCharacters[] = {
    {'-', '-'}, {'.', '.'}, {'0', '9'}, {0xB7, 0xB7}, {0x300, 0x36F}, {0x203F, 0x2040},
};

template <std::size_t N>
bool inRanges(char32_t c, const CharacterRange (&ranges)[N]) {
  return std::any_of(std::begin(ranges), std::end(ranges),
                     [c](const CharacterRange& range) { return c >= range.first && c <= range.last; });
}

// An XML name without a colon (a colon would make it a prefixed name), and not a namespace
// declaration.
bool isPlainXmlName(std::string_view name) {
  if (name.empty() || name.starts_with("xmlns")) return false;
  std::size_t pos = 0;
  bool first = true;
  while (pos < name.size()) {
    const auto c = nextCharacter(name, pos);
    if (!c) return false;
    if (!inRanges(*c, kNameStartCharacters) && (first || !inRanges(*c, kMoreNameCharacters))) return false;
    first = false;
  }
  return true;
}

// The attribute name of every field. A field whose name is not an XML name (a blank in it, a
// leading digit, an empty expression name) or repeats an earlier field's name gets the name "c"
// and its 0-based ordinal (with '_' added while that is taken), and its real name goes into the
// schema's rs:name; readers take rs:name when it is there.
std::vector<std::string> attributeNames(const std::vector<Field>& fields) {
  std::vector<std::string> names(fields.size());
  std::set<std::string> taken;
  for (std::size_t index = 0; index < fields.size(); ++index) {
    const std::string& name = fields[index].name();
    if (isPlainXmlName(name) && taken.insert(name).second) names[index] = name;
  }
  for (std::size_t index = 0; index < fields.size(); ++index) {
    if (!names[index].empty()) continue;
    std::string name = "c" + std::to_string(index);
    while (!taken.insert(name).second) name += '_';
    names[index] = name;
  }
  return names;
}

// ---- Values as attribute texts -------------------------------------------------------------

constexpr char kHexDigits[] = "0123456789abcdef";

std::string hexOf(const std::string& bytes) {
  std::string text;
  for (const char byte : bytes) {
    text += kHexDigits[static_cast<unsigned char>(byte) >> 4];
    text += kHexDigits[static_cast<unsigned char>(byte) & 0xF];
  }
  return text;
}

std::optional<std::string> bytesOfHex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t pos = 0; pos < text.size(); pos += 2) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data() + pos, text.data() + pos + 2, value, 16);
    if (error != std::errc() || end != text.data() + pos + 2) return std::nullopt;
    bytes += static_cast<char>(value);
  }
  return bytes;
}

std::string xmlText(DataType type, const Variant& value) {
  switch (value.type()) {
    case VarType::Date: return value.asDate().toIsoString();
    case VarType::Currency: return value.asCurrency().toString();
    case VarType::String: return isBinary(type) ? hexOf(value.asString()) : value.asString();
    default: return CStr(value);
  }
}

std::optional<std::int64_t> wholeNumberOf(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

Variant integerValue(DataType type, const std::string& text) {
  const auto number = wholeNumberOf(text);
  if (!number) return Variant(text);
  const bool shortType = type == adSmallInt || type == adTinyInt || type == adUnsignedTinyInt;
  if (shortType && *number >= std::numeric_limits<std::int16_t>::min() &&
      *number <= std::numeric_limits<std::int16_t>::max()) {
    return Variant::integer(static_cast<std::int16_t>(*number));
  }
  if (*number >= std::numeric_limits<std::int32_t>::min() && *number <= std::numeric_limits<std::int32_t>::max()) {
    return Variant::longValue(static_cast<std::int32_t>(*number));
  }
  return Variant::dbl(static_cast<double>(*number));
}

Variant booleanValue(const std::string& text) {
  if (text == "True" || text == "true" || text == "1" || text == "-1") return Variant::boolean(true);
  if (text == "False" || text == "false" || text == "0") return Variant::boolean(false);
  return Variant(text);
}

Variant currencyValue(const std::string& text) {
  try {
    if (const auto money = Currency::parse(text)) return Variant(*money);
  } catch (const RuntimeError&) {
    // too large for the fixed-point type: kept as text
  }
  return Variant(text);
}

Variant doubleValue(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return Variant(text);
  return Variant::dbl(value);
}

// A value read from its attribute text; a text that does not read as the field's type stays a
// String.
Variant valueOfText(DataType type, const std::string& text) {
  switch (type) {
    case adInteger:
    case adSmallInt:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adBigInt: return integerValue(type, text);
    case adBoolean: return booleanValue(text);
    case adCurrency:
    case adNumeric: return currencyValue(text);
    case adDouble:
    case adSingle: return doubleValue(text);
    case adDBTimeStamp:
      if (const auto date = DateTime::parse(text)) return Variant(*date);
      return Variant(text);
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
      if (const auto bytes = bytesOfHex(text)) return Variant(*bytes);
      return Variant(text);
    default: return Variant(text);
  }
}

// ---- Writing -------------------------------------------------------------------------------

void writeDatatype(XmlNode attributeType, const Field& field) {
  XmlNode datatype = attributeType.appendElement("s:datatype");
  const XmlType& xmlType = xmlTypeOf(field.type());
  datatype.appendAttribute("dt:type", xmlType.dtType);
  if (!xmlType.dbType.empty()) datatype.appendAttribute("rs:dbtype", xmlType.dbType);
  datatype.appendAttribute("dt:maxLength", std::to_string(field.definedSize()));
  if (field.type() == adNumeric || field.type() == adDBTimeStamp) {
    datatype.appendAttribute("rs:scale", std::to_string(field.numericScale()));
  }
  if (field.precision() != 255) datatype.appendAttribute("rs:precision", std::to_string(field.precision()));
  if (isFixedLength(field.type())) datatype.appendAttribute("rs:fixedlength", "true");
  if (isLong(field.type())) datatype.appendAttribute("rs:long", "true");
  if (!field.isNullable()) datatype.appendAttribute("rs:maybenull", "false");
}

void writeSchema(XmlNode root, const std::vector<Field>& fields, const std::vector<std::string>& names) {
  XmlNode schema = root.appendElement("s:Schema");
  schema.appendAttribute("id", "RowsetSchema");
  XmlNode elementType = schema.appendElement("s:ElementType");
  elementType.appendAttribute("name", "row");
  elementType.appendAttribute("content", "eltOnly");
  for (std::size_t index = 0; index < fields.size(); ++index) {
    const Field& field = fields[index];
    XmlNode attributeType = elementType.appendElement("s:AttributeType");
    attributeType.appendAttribute("name", names[index]);
    if (names[index] != field.name()) attributeType.appendAttribute("rs:name", field.name());
    attributeType.appendAttribute("rs:number", std::to_string(index + 1));
    if (field.isNullable()) attributeType.appendAttribute("rs:nullable", "true");
    if (isLong(field.type())) attributeType.appendAttribute("rs:maydefer", "true");
    if (!field.info().baseTable.empty()) attributeType.appendAttribute("rs:writeunknown", "true");
    writeDatatype(attributeType, field);
  }
  elementType.appendElement("s:extends").appendAttribute("type", "rs:rowbase");
}

void writeRows(XmlNode root, const RecordsetData& data, const std::vector<std::string>& names) {
  XmlNode rows = root.appendElement("rs:data");
  for (const std::size_t visible : data.visible) {
    const std::vector<Variant>& values = data.rows[visible].values;
    XmlNode row = rows.appendElement("z:row");
    for (std::size_t index = 0; index < values.size(); ++index) {
      if (values[index].isNull()) continue;
      row.appendAttribute(names[index], xmlText(data.fields[index].type(), values[index]));
    }
  }
}

// ---- Reading -------------------------------------------------------------------------------

[[noreturn]] void raiseIncomplete() {
  throw RuntimeError(errnum::kDbUnspecified, "Recordset cannot be created. Source XML is incomplete or invalid.");
}

DataType dataTypeOf(const XmlNode& datatype) {
  const std::string dtType = datatype.attribute("dt:type");
  const std::string dbType = datatype.attribute("rs:dbtype");
  const bool fixed = datatype.attribute("rs:fixedlength") == "true";
  const bool isLongText = datatype.attribute("rs:long") == "true";
  const XmlType* sameNames = nullptr;
  const XmlType* sameType = nullptr;
  for (const XmlType& entry : kXmlTypes) {
    if (entry.dtType != dtType) continue;
    if (sameType == nullptr) sameType = &entry;
    if (entry.dbType != dbType) continue;
    if (sameNames == nullptr) sameNames = &entry;
    // Texts of one kind differ in their flags only.
    if (isLong(entry.type) == isLongText && (isLong(entry.type) || isFixedLength(entry.type) == fixed)) {
      return entry.type;
    }
  }
  if (sameNames != nullptr) return sameNames->type;
  return sameType != nullptr ? sameType->type : adVarWChar;
}

int numberAttribute(const XmlNode& node, std::string_view name, int otherwise) {
  const auto number = wholeNumberOf(node.attribute(name));
  return number && *number >= 0 && *number <= std::numeric_limits<int>::max() ? static_cast<int>(*number) : otherwise;
}

FieldInfo fieldOfSchema(const XmlNode& attributeType) {
  FieldInfo info;
  info.name = attributeType.findAttribute("rs:name").value_or(attributeType.attribute("name"));
  info.nullable = attributeType.attribute("rs:nullable") == "true";
  const XmlNode datatype = attributeType.child("s:datatype");
  if (!datatype) {
    info.declared = {adVarWChar, 4000};
    return info;
  }
  info.declared.type = dataTypeOf(datatype);
  const auto size = wholeNumberOf(datatype.attribute("dt:maxLength"));
  info.declared.definedSize = size && *size > 0 && *size <= std::numeric_limits<long>::max() ? *size : 0;
  info.declared.precision = numberAttribute(datatype, "rs:precision", 255);
  info.declared.numericScale = numberAttribute(datatype, "rs:scale", 0);
  return info;
}

}  // namespace

void saveAsXml(const Recordset& recordset, XmlDocument& document) {
  const RecordsetData& data = recordsetData(recordset);
  const std::vector<std::string> names = attributeNames(data.fields);
  document.clear();
  XmlNode root = document.createDocumentElement("xml");
  for (const auto& [name, uri] : kNamespaces) root.appendAttribute(name, uri);
  writeSchema(root, data.fields, names);
  writeRows(root, data, names);
}

Recordset recordsetFromXml(const XmlNode& root) {
  if (!root) raiseIncomplete();
  const XmlNode elementType = root.selectSingleNode("s:Schema/s:ElementType");
  if (!elementType) raiseIncomplete();
  auto data = std::make_unique<RecordsetData>();
  std::unordered_map<std::string, std::size_t> indexOfName;
  for (const XmlNode& column : elementType.children()) {
    if (column.name() != "s:AttributeType") continue;
    indexOfName.emplace(column.attribute("name"), data->fields.size());
    data->addField(fieldOfSchema(column));
  }
  if (data->fields.empty()) raiseIncomplete();

  for (const XmlNode& row : root.selectNodes("rs:data/z:row")) {
    std::vector<Variant> values(data->fields.size(), Variant::null());
    for (const auto& [name, text] : row.attributes()) {
      const auto found = indexOfName.find(name);
      if (found == indexOfName.end()) continue;
      values[found->second] = valueOfText(data->fields[found->second].type(), text);
    }
    data->addRow(std::move(values));
  }
  data->cursorType = adOpenStatic;
  Recordset recordset;
  openRecordset(recordset, std::move(data));
  return recordset;
}

}  // namespace corvane::db
