#include "request/RowXml.h"

#include "platform/db/Field.h"
#include "platform/db/Recordset.h"
#include "request/Values.h"

namespace corvane {

namespace {

// A text column holding the empty date of the host is shown as empty.
constexpr std::string_view kEmptyDateText = "1900-01-01";

std::string attributeValue(const db::Field& field) {
  std::string value = XmlEncode(NullToStr(field.value()));
  if (field.type() == db::adVarChar && value == kEmptyDateText) value.clear();
  return value;
}

bool hasRecords(db::Recordset& rs) {
  if (!rs.isOpen() || rs.recordCount() == 0) return false;
  rs.moveFirst();
  return !rs.eof();
}

}  // namespace

std::string RsToRowXml(db::Recordset& rs) {
  std::string lines;
  if (!hasRecords(rs)) return lines;
  for (; !rs.eof(); rs.moveNext()) {
    lines += "<row";
    for (int i = 0; i < rs.fieldCount(); ++i) {
      const db::Field& field = rs.field(i);
      lines += ' ';
      lines += field.name();
      lines += "='";
      lines += attributeValue(field);
      lines += '\'';
    }
    lines += "/>\r\n";
  }
  return lines;
}

std::string RsToHeadXml(db::Recordset& rs) {
  if (!hasRecords(rs)) return {};
  std::string head = "<head";
  for (; !rs.eof(); rs.moveNext()) {
    head += ' ';
    head += NullToStr(rs.field("strName").value());
    head += "='";
    head += attributeValue(rs.field("strValue"));
    head += '\'';
  }
  head += "/>\r\n";
  return head;
}

}  // namespace corvane
