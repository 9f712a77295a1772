#include "host/ReferServer.h"

#include <algorithm>
#include <cctype>

#include "host/LoginContext.h"
#include "host/ReferServerQuery.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

using db::quoteLiteral;

std::string text(const Variant& value) { return value.isNull() ? std::string() : CStr(value); }

bool isPlainCode(const std::string& code) {
  return !code.empty() && code.size() <= 20 &&
         std::all_of(code.begin(), code.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Puts `current` in range for a list of `count` rows in pages of `length` rows (the whole list
// as one page when `length` is 0 or less).
long pageInRange(long length, long count, long current) {
  const long pages = length > 0 ? std::max(1L, (count + length - 1) / length) : 1;
  return std::clamp(current, 1L, pages);
}

// `rows` as a set of its own, as its XML form reads back (the form every page is answered in).
db::Recordset detached(const db::Recordset& rows) {
  XmlDocument document;
  db::saveAsXml(rows, document);
  return db::recordsetFromXml(document.documentElement());
}

// Keeps the rows of page `current` of `all` (pages of `length` rows; the whole set as one page
// when `length` is 0 or less), after putting `current` in range and `count` to the set's size.
db::Recordset pageOf(const db::Recordset& all, long length, long& current, long& count) {
  XmlDocument document;
  db::saveAsXml(all, document);
  const std::vector<XmlNode> rows = document.documentElement().child("rs:data").children();
  count = static_cast<long>(rows.size());
  current = pageInRange(length, count, current);
  const long first = length > 0 ? (current - 1) * length : 0;
  const long last = length > 0 ? std::min(count, current * length) : count;  // one past
  for (long i = 0; i < count; ++i) {
    if (i < first || i >= last)
      rows[static_cast<std::size_t>(i)].parent().removeChild(rows[static_cast<std::size_t>(i)]);
  }
  return db::recordsetFromXml(document.documentElement());
}

// The rows of `sql` narrowed by the condition `match` (none when empty), unsorted.
std::string narrowed(const std::string& sql, const std::string& match) {
  return match.empty() ? sql : "select * from (" + sql + ") as r where " + match;
}

class EmbeddedReferServer final : public ReferServer {
 public:
  void GetRefStrRst(LoginContext& login, const std::string& sql, db::Recordset& rs, std::string& errorText,
                    long& length, long& current, long& count) override {
    page(login, sql, rs, errorText, length, current, count);
  }

  void GetData(LoginContext& login, const std::string& key, std::string& match, std::string& order, long& length,
               long& current, long& count, db::Recordset& rs, std::string& errorText) override {
    try {
      db::Recordset definition;
      definition.open("SELECT cSql, cOrder FROM ReferDef WHERE cRefName=" + quoteLiteral(key), connection(login));
      if (definition.eof()) {
        errorText = "There is no reference list named " + key + ".";
        return;
      }
      const std::string sql = text(definition.field("cSql").value());
      const std::string listOrder = text(definition.field("cOrder").value());
      orderedPage(login, narrowed(sql, match), order.empty() ? listOrder : order, rs, errorText, length, current,
                  count);
    } catch (const RuntimeError& error) {
      errorText = error.description();
    }
  }

  void GetRefItemRst(db::Recordset& rs, db::Recordset& format, LoginContext& login, const std::string& itemClass,
                     std::string& match, std::string& errorText, long& length, long& count, long& current) override {
    if (!isPlainCode(itemClass)) {
      errorText = "There is no item class " + itemClass + ".";
      return;
    }
    const std::string sql = "select citemcode, citemname from fitemss" + itemClass;
    orderedPage(login, narrowed(sql, match), "citemcode", rs, errorText, length, current, count);
    if (!rs.isOpen()) return;
    try {
      format = GetTitleFormat(login, "fitemss");
    } catch (const RuntimeError& error) {
      errorText = error.description();
    }
  }

  db::Recordset GetTitleFormat(LoginContext& login, const std::string& name) override {
    db::Recordset format;
    format.open(
        "SELECT cField, cCaption, iWidth FROM ReferTitle WHERE cRefName=" + quoteLiteral(name) + " ORDER BY iOrder",
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

  // A page of `sql` as given. A text that ends in its own order is paged by the database;
  // another is read whole and the page cut from it, as it may already limit its rows.
  void page(LoginContext& login, const std::string& sql, db::Recordset& rs, std::string& errorText, long& length,
            long& current, long& count) {
    try {
      RequireReadOnlyQuery(sql);
      if (length > 0 && sortedPage(login, sql, rs, length, current, count)) return;
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

  // A page of a text that ends in an ORDER BY, paged by the database. False, with nothing read,
  // when the text takes no OFFSET there (no order of its own, a TOP, an OFFSET already, another
  // statement).
  bool sortedPage(LoginContext& login, const std::string& sql, db::Recordset& rs, long length, long& current,
                  long& count) {
    try {
      count = countOf(login, "select count(*) from (" + sql + "\n offset 0 rows) as c");
    } catch (const RuntimeError&) {
      return false;
    }
    readPage(login, sql, rs, length, current, count);
    return true;
  }

  // A page of the rows of the select `rows` sorted by `order`, paged by the database. Without an
  // order (a page needs a stable one) or with the whole list as one page, the list is read whole
  // as `page` does.
  void orderedPage(LoginContext& login, const std::string& rows, const std::string& order, db::Recordset& rs,
                   std::string& errorText, long& length, long& current, long& count) {
    if (order.empty() || length <= 0) {
      page(login, order.empty() ? rows : rows + " order by " + order, rs, errorText, length, current, count);
      return;
    }
    try {
      const std::string sorted = rows + " order by " + order;
      RequireReadOnlyQuery(sorted);
      count = countOf(login, "select count(*) from (" + rows + ") as c");
      readPage(login, sorted, rs, length, current, count);
    } catch (const RuntimeError& error) {
      errorText = error.description();
    }
  }

  long countOf(LoginContext& login, const std::string& countQuery) {
    db::Recordset total;
    total.openReadOnly(countQuery, connection(login));
    return static_cast<long>(CLng(total.field(0).value()));
  }

  // Puts `current` in range for `count` rows, then reads only that page of `sorted` (a text that
  // ends in its order) by an OFFSET after it. The OFFSET stands on a line of its own, so that a
  // comment that closes the text does not swallow it.
  void readPage(LoginContext& login, const std::string& sorted, db::Recordset& rs, long length, long& current,
                long count) {
    current = pageInRange(length, count, current);
    const std::string onePage = sorted + "\n offset " + std::to_string((current - 1) * length) + " rows fetch next " +
                                std::to_string(length) + " rows only";
    RequireReadOnlyQuery(onePage);
    db::Recordset rows;
    rows.openReadOnly(onePage, connection(login), db::adOpenStatic);
    rs = detached(rows);
  }

  std::unique_ptr<db::Connection> connection_;
};

}  // namespace

std::unique_ptr<ReferServer> CreateReferServer() { return std::make_unique<EmbeddedReferServer>(); }

}  // namespace corvane
