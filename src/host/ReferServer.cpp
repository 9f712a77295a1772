#include "host/ReferServer.h"

#include <algorithm>
#include <cctype>

#include "host/LoginContext.h"
#include "host/ReferServerQuery.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/RecordsetXml.h"
#include "platform/db/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

using db::quoteLiteral;

std::string text(const Variant& value) { return value.isNull() ? std::string() : CStr(value); }

bool isPlainCode(const std::string& code) {
  return !code.empty() && code.size() <= 20 && std::all_of(code.begin(), code.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
  });
}

// Keeps the rows of page `current` of `all` (pages of `length` rows; the whole set as one page
// when `length` is 0 or less), after putting `current` in range and `count` to the set's size.
db::Recordset pageOf(const db::Recordset& all, long length, long& current, long& count) {
  XmlDocument document;
  db::saveAsXml(all, document);
  const std::vector<XmlNode> rows = document.documentElement().child("rs:data").children();
  count = static_cast<long>(rows.size());
  const long pages = length > 0 ? std::max(1L, (count + length - 1) / length) : 1;
  current = std::clamp(current, 1L, pages);
  const long first = length > 0 ? (current - 1) * length : 0;
  const long last = length > 0 ? std::min(count, current * length) : count;  // one past
  for (long i = 0; i < count; ++i) {
    if (i < first || i >= last)
      rows[static_cast<std::size_t>(i)].parent().removeChild(rows[static_cast<std::size_t>(i)]);
  }
  return db::recordsetFromXml(document.documentElement());
}

std::string narrowed(const std::string& sql, const std::string& match, const std::string& order) {
  std::string text = match.empty() ? sql : "select * from (" + sql + ") as r where " + match;
  if (!order.empty()) text += " order by " + order;
  return text;
}

class EmbeddedReferServer final : public ReferServer {
 public:
  void GetRefStrRst(LoginContext& login, const std::string& sql, db::Recordset& rs,
                    std::string& errorText, long& length, long& current, long& count) override {
    page(login, sql, rs, errorText, length, current, count);
  }

  void GetData(LoginContext& login, const std::string& key, std::string& match, std::string& order,
               long& length, long& current, long& count, db::Recordset& rs,
               std::string& errorText) override {
    try {
      db::Recordset definition;
      definition.open("SELECT cSql, cOrder FROM ReferDef WHERE cRefName=" + quoteLiteral(key),
                      connection(login));
      if (definition.eof()) {
        errorText = "There is no reference list named " + key + ".";
        return;
      }
      const std::string sql = text(definition.field("cSql").value());
      const std::string listOrder = text(definition.field("cOrder").value());
      page(login, narrowed(sql, match, order.empty() ? listOrder : order), rs, errorText, length,
           current, count);
    } catch (const RuntimeError& error) {
      errorText = error.description();
    }
  }

  void GetRefItemRst(db::Recordset& rs, db::Recordset& format, LoginContext& login,
                     const std::string& itemClass, std::string& match, std::string& errorText,
                     long& length, long& count, long& current) override {
    if (!isPlainCode(itemClass)) {
      errorText = "There is no item class " + itemClass + ".";
      return;
    }
    const std::string sql = "select citemcode, citemname from fitemss" + itemClass;
    page(login, narrowed(sql, match, "citemcode"), rs, errorText, length, current, count);
    if (!rs.isOpen()) return;
    try {
      format = GetTitleFormat(login, "fitemss");
    } catch (const RuntimeError& error) {
      errorText = error.description();
    }
  }

  db::Recordset GetTitleFormat(LoginContext& login, const std::string& name) override {
    db::Recordset format;
    format.open("SELECT cField, cCaption, iWidth FROM ReferTitle WHERE cRefName=" +
                    quoteLiteral(name) + " ORDER BY iOrder",
                connection(login), db::adOpenStatic);
    return format;
  }

 private:
  db::Connection& connection(LoginContext& login) {
    if (!connection_) {
      connection_ = std::make_unique<db::Connection>();
      connection_->open(login.ConnectString());
    }
    return *connection_;
  }

  void page(LoginContext& login, const std::string& sql, db::Recordset& rs, std::string& errorText,
            long& length, long& current, long& count) {
    try {
      RequireReadOnlyQuery(sql);
      db::Recordset all;
      all.openReadOnly(sql, connection(login), db::adOpenStatic);
      if (!all.isOpen()) {
        errorText = "The query answers no rows.";
        return;
      }
      rs = pageOf(all, length, current, count);
    } catch (const RuntimeError& error) {
      errorText = error.description();
    }
  }

  std::unique_ptr<db::Connection> connection_;
};

}  // namespace

std::unique_ptr<ReferServer> CreateReferServer() { return std::make_unique<EmbeddedReferServer>(); }

}  // namespace corvane
