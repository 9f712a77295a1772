#include "core/PubRefer.h"

#include <optional>

#include "host/Host.h"
#include "host/LoginContext.h"
#include "host/ReferServerQuery.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "request/PubCommon.h"
#include "request/QueryBuilders.h"
#include "request/RequestFrame.h"
#include "request/SqlGateway.h"
#include "request/SqlText.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='utf-8'?>";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string attr(std::string_view name, const std::string& value) {
  return " " + std::string(name) + "='" + XmlEncode(value) + "'";
}

// A paging number of the request: its text as a whole number, 0 when it is not numeric.
long pagingNumber(const XmlNode& element, std::string_view name) {
  const Variant text(element.attribute(name));
  return IsNumeric(text) ? CLng(text) : 0;
}

std::string withoutLineBreaks(std::string text) {
  std::erase(text, '\n');
  std::erase(text, '\r');
  return text;
}

// Where a user-defined field's values live, as the field service takes it.
struct FieldSource {
  int source = 0;
  std::string table;
  std::string field;
  std::string third;
};

// The field's source from the attributes `source` and `rule` (split at its first comma); nullopt
// for a source outside -1 to 2.
std::optional<FieldSource> fieldSourceOf(const XmlNode& element) {
  const std::int32_t source = CLng(Variant(pub::requiredAttribute(element, "source")));
  if (source == -1 || source == 0) return FieldSource{0, "UserDefine", "cValue", ""};
  if (source != 1 && source != 2) return std::nullopt;
  const std::string rule = pub::requiredAttribute(element, "rule");
  const auto comma = rule.find(',');
  if (comma == std::string::npos) {
    throw RuntimeError(errnum::kInvalidArgument, "The rule '" + rule + "' has no comma.");
  }
  const std::string before = rule.substr(0, comma);
  const std::string after = rule.substr(comma + 1);
  if (source == 1) return FieldSource{1, before, after, ""};
  return FieldSource{2, "", after, before};
}

int positionOf(const XmlNode& element) { return CLng(Variant(pub::requiredAttribute(element, "pos"))); }

// The record set saved in its XML form into `document`, as the text of its document element.
std::string recordsetXml(const db::Recordset& rs, XmlDocument& document) {
  db::saveAsXml(rs, document);
  return document.documentElement().xml();
}

struct ReferKind {
  std::string_view auth;
  std::string_view businessObject;
  std::string_view column;
};

constexpr ReferKind kReferKinds[] = {
    {"code", "code", " ccode in ("},
    {"dsign", "dsign", " csign in ("},
    {"user", "user", " cuser_name in ("},
};

constexpr std::string_view kUnrestricted = " 1 = 1 ";
constexpr std::string_view kNothingAllowed = " 1=0 ";

// The list's SQL with the client's condition added: " where " when `sql` holds none yet (for
// "sql" lookups compared in lower case, for "user" lookups as written), else " and ".
std::string withMatch(const std::string& sql, const std::string& match, bool anyCase) {
  if (match.empty()) return sql;
  const bool hasWhere = (anyCase ? lower(sql) : sql).find(" where ") != std::string::npos;
  return sql + (hasWhere ? " and " : " where ") + match;
}

struct ReferRequest {
  XmlNode element;
  std::string flag, type, name, auth, match, order;
  long count = 0, current = 0, length = 0;
};

ReferRequest readRefer(const XmlNode& func) {
  ReferRequest request;
  request.element = pub::firstInputElement(func);
  const XmlNode& e = request.element;
  request.flag = e.attribute("flag");
  request.type = e.attribute("type");
  request.name = e.attribute("name");
  request.auth = e.attribute("auth");
  if (request.auth.empty()) request.auth = "0";
  request.match = withoutLineBreaks(e.attribute("match"));
  request.order = e.attribute("order");
  request.count = pagingNumber(e, "count");
  request.length = pagingNumber(e, "length");
  request.current = pagingNumber(e, "current");
  return request;
}

}  // namespace

std::string referFilterGet(const LoginContext& ologin, const XmlNode& refer) {
  try {
    const std::string auth = refer.attribute("auth");
    for (const ReferKind& kind : kReferKinds) {
      if (auth != kind.auth) continue;
      const std::string rights = GetRowAuth(ologin, std::string(kind.businessObject));
      if (rights.empty()) return std::string(kUnrestricted);
      if (rights == "1=2") return std::string(kNothingAllowed);
      return std::string(kind.column) + rights + ") ";
    }
    return std::string(kUnrestricted);
  } catch (const std::exception&) {
    return std::string(kNothingAllowed);
  }
}

std::string userdefReferSql(const LoginContext& ologin, XmlNode refer, db::Connection& CN, std::string& head) {
  const std::string name = refer.attribute("name");
  if (name == "fd_dwref") {
    refer.setAttribute("col", "1");
    return "Select iid,cUnitCode,cUnitName,cMark,iType,accunit_id from fd_accunit ";
  }
  if (name != "userdef") return {};
  const std::string userName = refer.attribute("username");
  const std::string userValue = refer.attribute("uservalue");
  const std::optional<FieldSource> source = fieldSourceOf(refer);
  const int pos = positionOf(refer);
  if (!source) return {};
  const std::unique_ptr<FieldDef> service = ologin.host().fieldDef();
  if (!service->init(CN, ologin.UserId())) return {};
  std::string sql;
  std::string width;
  if (!service->GetRefSQL(source->source, pos, userName, source->table, source->field, source->third, userValue, sql,
                          head, width)) {
    return {};
  }
  return sql;
}

bool itemRefer(FuncCall& call) {
  return pub::served(call.oXml, "itemRefer", [&] {
    const std::unique_ptr<ReferServer> server = call.host().referServer();
    ReferRequest r = readRefer(call.oNode);
    if (r.auth != "0") {
      if (r.match.empty()) r.match = " 1=1 ";
      r.match = referFilterGet(call.ologin, r.element) + " and(" + r.match + ")";
    }
    db::Recordset rs;
    db::Recordset format;
    std::string errorText;
    std::string head;
    if (r.type == "user" || r.type == "sql") {
      r.element.setAttribute("col", "0");
      std::string sql = r.type == "user" ? userdefReferSql(call.ologin, r.element, call.CN, head) : r.name;
      if (sql.empty()) raiseMessageNumbered(0, "Z7.Corvane.0336");
      sql = withMatch(sql, r.match, r.type == "sql");
      if (r.type == "sql" && !r.order.empty()) sql += " order by " + r.order;
      r.name = sql;
      server->GetRefStrRst(call.ologin, FixSqlText(sql), rs, errorText, r.length, r.current, r.count);
    } else if (r.type == "name") {
      errorText.clear();
      r.auth = "0";
      const std::string prefix = lower(r.name.substr(0, 7));
      if (prefix == "fitemss") {
        server->GetRefItemRst(rs, format, call.ologin, FixSqlText(r.name.substr(7)), r.match, errorText, r.length,
                              r.count, r.current);
      } else if (prefix == "cdefine") {
        std::string match = r.match;
        server->GetData(call.ologin, "userdefine", match, r.order, r.length, r.current, r.count, rs, errorText);
      } else {
        server->GetData(call.ologin, FixSqlText(r.name), r.match, r.order, r.length, r.current, r.count, rs, errorText);
      }
    } else {
      raiseMessageNumbered(0, "Z7.Corvane.0086");
    }

    if (errorText.empty()) errorText = GetResString("Z7.Corvane.0087");
    if (!rs.isOpen()) throw RuntimeError(0, errorText);
    if (rs.recordCount() == 0 && lower(r.name) != "gl_bdigest") raiseMessageNumbered(0, "Z7.Corvane.0087");

    if (r.element.attribute("col") == "1") {
      if (r.name == "UserDefine") {
        format = server->GetTitleFormat(call.ologin, "userdefineref");
      } else if (r.name.rfind("fitemss", 0) != 0) {
        format = server->GetTitleFormat(call.ologin, r.element.attribute("name"));
      }
    }

    std::string reply = std::string(kDeclaration) + "<page" + attr("count", std::to_string(r.count)) +
                        attr("current", std::to_string(r.current)) + attr("length", std::to_string(r.length)) +
                        attr("type", r.type) + attr("name", r.name) + attr("match", r.match) + attr("order", r.order) +
                        attr("auth", r.auth) + attr("flag", r.flag) + attr("format", head) + "><data>" +
                        recordsetXml(rs, call.oXml) + "</data>";
    if (format.isOpen()) reply += "<mode>" + recordsetXml(format, call.oXml) + "</mode>";
    loadReply(call.oXml, reply + "</page>");
    return true;
  });
}

bool referCheck(FuncCall& call) {
  return pub::served(call.oXml, "accGet", [&] {
    const std::string text = pub::requiredAttribute(pub::firstInputElement(call.oNode), "strsql");
    RequireReadOnlyQuery(FixSqlText(text));
    const db::Recordset rs = sql::openReadOnly(call.CN, text);
    std::string attributes;
    if (rs.isOpen() && rs.recordCount() == 1) {
      for (int i = 0; i < rs.fieldCount(); ++i) {
        attributes += rs.field(i).name() + "='" + XmlEncode(NullToStr(rs.field(i).value())) + "' ";
      }
    }
    loadReply(call.oXml, std::string(kDeclaration) + "<Rows " + attributes + " />");
    return true;
  });
}

bool userdefCheck(FuncCall& call) {
  return pub::served(call.oXml, "userdefCheck", [&] {
    const XmlNode field = pub::firstInputElement(call.oNode);
    const std::string name = field.attribute("name");
    const std::string value = field.attribute("value");
    const bool build = field.attribute("build") == "1";
    const std::optional<FieldSource> source = fieldSourceOf(field);
    if (!source) raiseMessageNumbered(0, "Z7.Corvane.0088");
    const int pos = positionOf(field);
    const std::unique_ptr<FieldDef> service = call.host().fieldDef();
    if (!service->init(call.CN, call.ologin.UserId())) raiseMessageNumbered(0, "Z7.Corvane.0338");
    const int verdict =
        service->ValidateAr(source->source, pos, name, source->table, source->field, value, source->third, build);
    std::string reply;
    if (verdict == 0) {
      reply = "<success><id>0</id><text>" + XmlEncode(value) + "</text></success>";
    } else if (verdict == -1 || verdict == -2 || verdict == 1) {
      const std::string message = verdict == -1 ? "Z7.Corvane.0337" : "Z7.Corvane.0089";
      reply = "<error><id>1</id><text>" + XmlEncode(GetResString(message)) + "</text></error>";
    } else {
      raiseMessageNumbered(0, "Z7.Corvane.0339");
    }
    loadReply(call.oXml, std::string(kDeclaration) + reply);
    return true;
  });
}

bool userdefData(FuncCall& call) {
  return pub::served(call.oXml, "userdefData", [&] {
    const XmlNode field = pub::firstInputElement(call.oNode);
    long count = pagingNumber(field, "count");
    long length = pagingNumber(field, "length");
    long current = pagingNumber(field, "current");
    const std::string name = pub::requiredAttribute(field, "name");
    const std::string value = pub::requiredAttribute(field, "value");
    const bool isFree = name.find("cfree") != std::string::npos;
    std::optional<FieldSource> source;
    int pos = 0;
    if (!isFree) {
      source = fieldSourceOf(field);
      if (!source) raiseMessageNumbered(0, "Z7.Corvane.0336");
      pos = positionOf(field);
    }
    const std::unique_ptr<ReferServer> server = call.host().referServer();
    const std::unique_ptr<FieldDef> service = call.host().fieldDef();
    if (!service->init(call.CN, call.ologin.UserId())) raiseMessageNumbered(0, "Z7.Corvane.0340");
    std::string sql, head, width;
    if (isFree) {
      if (!service->GetFreeRefSQL(name, value, sql, head, width)) raiseMessageNumbered(0, "Z7.Corvane.0341");
    } else if (!service->GetRefSQL(source->source, pos, name, source->table, source->field, source->third, value, sql,
                                   head, width)) {
      raiseMessageNumbered(0, "Z7.Corvane.0342");
    }
    db::Recordset rs;
    std::string errorText;
    server->GetRefStrRst(call.ologin, FixSqlText(sql), rs, errorText, length, current, count);
    if (!rs.isOpen()) throw RuntimeError(0, errorText);
    const std::string data = recordsetXml(rs, call.oXml);
    loadReply(call.oXml, std::string(kDeclaration) + "<page" + attr("count", std::to_string(count)) +
                             attr("current", std::to_string(current)) + attr("length", std::to_string(length)) +
                             " type='sql'" + attr("name", sql) + " match='' order='' auth='0' flag='KX'" +
                             attr("sql", sql) + attr("head", head) + attr("width", width) + "><data>" + data +
                             "</data></page>");
    return true;
  });
}

}  // namespace corvane
