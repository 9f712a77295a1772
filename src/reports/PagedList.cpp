#include "reports/PagedList.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr long kMaxRows = 10000;
// Page numbers and sizes beyond this are clamped (a page never holds more rows than the limit,
// and a page index beyond the last page becomes the last page anyway).
constexpr double kLargestWhole = 1e9;

long wholeNumberAt(const XmlNode& func, const char* xpath) {
  const XmlNode node = func.selectSingleNode(xpath);
  if (!node) raiseObjectMissing();
  const double value = std::floor(NullToNum(Variant(node.text())));
  if (value < 0) return 0;
  return static_cast<long>(std::min(value, kLargestWhole));
}

// The key as a literal of the WHERE text: a checked whole number, or a quoted text.
std::string keyLiteral(const Variant& key, KeyKind kind) {
  if (kind == KeyKind::Text) return db::quoteLiteral(NullToStr(key));
  return std::to_string(CLng(key));
}

class PageCutter {
 public:
  PageCutter(db::Connection& connection, const PagedQuery& query)
      : connection_(connection),
        query_(query),
        keyFrom_(query.keyFrom.empty() ? query.from : query.keyFrom),
        distinct_(query.keyUnique ? "" : "distinct ") {}

  long keyCount() const {
    const std::string counted = query_.keyUnique ? "*" : "distinct " + query_.key;
    const db::Recordset rs = sql::openReadOnly(
        connection_, "select count(" + counted + ") as keycount from " + keyFrom_ + " where " + query_.where);
    return CLng(rs.field(0).value());
  }

  // The first and the last key of the keys at positions `first` to `last` (1-based, in key order)
  // of `keys` keys, read in one statement that walks in from the nearer end.
  std::pair<std::string, std::string> keyRange(long first, long last, long keys) const {
    const bool fromStart = first - 1 <= keys - last;
    const long walked = fromStart ? last : keys - first + 1;
    const db::Recordset rs = sql::openReadOnly(
        connection_, "select min(pagekey) as firstkey,max(pagekey) as lastkey from (select top " +
                         std::to_string(last - first + 1) + " pagekey from (select " + distinct_ + "top " +
                         std::to_string(walked) + " " + query_.key + " as pagekey from " + keyFrom_ + " where " +
                         query_.where + " order by " + query_.key + (fromStart ? "" : " desc") +
                         ") kx_walk order by pagekey" + (fromStart ? " desc" : "") + ") kx_page");
    return {keyLiteral(rs.field(0).value(), query_.keyKind), keyLiteral(rs.field(1).value(), query_.keyKind)};
  }

 private:
  db::Connection& connection_;
  const PagedQuery& query_;
  std::string keyFrom_;
  std::string distinct_;
};

}  // namespace

PageCut CutPage(db::Connection& connection, const PageRequest& page, const PagedQuery& query,
                const std::string& source) {
  PageCut served{1, 0, query.where};
  const PageCutter cutter(connection, query);
  const long keys = cutter.keyCount();
  if (keys == 0) raiseMessageFrom(source, 1001, "Z7.Corvane.0087");
  // Every key has at least one row: a page of more keys than the limit is refused before its
  // rows are read.
  if (page.rows == 0) {
    if (keys > kMaxRows) raiseMessageFrom(source, 1011, "Z7.Corvane.0126");
    return served;
  }
  served.count = (keys + page.rows - 1) / page.rows;
  served.current = std::min(page.current, served.count - 1);
  const long first = served.current * page.rows + 1;
  const long last = first + page.rows - 1;
  if (std::min(last, keys) - first + 1 > kMaxRows) raiseMessageFrom(source, 1011, "Z7.Corvane.0126");
  const auto [firstKey, lastKey] = cutter.keyRange(first, std::min(last, keys), keys);
  served.where += " and " + query.key + ">=" + firstKey;
  if (last < keys) served.where += " and " + query.key + "<=" + lastKey;
  return served;
}

PageCut CutNumberedPage(db::Connection& connection, const PageRequest& page, const std::string& table,
                        const std::string& source) {
  PagedQuery keys;
  keys.from = table;
  keys.where = "1=1";
  keys.key = "autoid";
  keys.keyUnique = true;
  return CutPage(connection, page, keys, source);
}

std::string PageData(db::Connection& connection, const std::string& tsql, const std::string& source) {
  const db::Recordset rs = sql::openReadOnly(connection, tsql);
  if (rs.eof()) raiseMessageFrom(source, 1001, "Z7.Corvane.0087");
  if (rs.recordCount() > kMaxRows) raiseMessageFrom(source, 1011, "Z7.Corvane.0126");
  XmlDocument saved;
  db::saveAsXml(rs, saved);
  return saved.documentElement().xml();
}

std::string PagedReplyText(const PageCut& served, long rows, const std::string& data, const std::string* format) {
  return "<success><page><count>" + std::to_string(served.count) + "</count><current>" +
         std::to_string(served.current) + "</current><rows>" + std::to_string(rows) + "</rows></page><data>" + data +
         "</data>" + (format ? "<format>" + *format + "</format>" : std::string()) + "</success>";
}

namespace {

std::string pageData(db::Connection& connection, const PagedQuery& query, const std::string& where,
                     const std::string& source) {
  std::string text =
      PageData(connection,
               "select distinct top " + std::to_string(kMaxRows + 1) + " " + query.select + " from " + query.from +
                   " where " + where + " order by " + (query.order.empty() ? query.key : query.order),
               source);
  if (query.dropMidnight) {
    constexpr std::string_view kMidnight = "T00:00:00";
    for (std::size_t at = text.find(kMidnight); at != std::string::npos; at = text.find(kMidnight, at)) {
      text.erase(at, kMidnight.size());
    }
  }
  return text;
}

}  // namespace

PageRequest ReadPageRequest(const XmlNode& func) {
  return {wholeNumberAt(func, "in/page/current"), wholeNumberAt(func, "in/page/rows")};
}

void AnswerPage(db::Connection& connection, const PageRequest& page, const PagedQuery& query, const std::string& source,
                XmlDocument& reply) {
  const PageCut served = CutPage(connection, page, query, source);
  loadReply(reply, PagedReplyText(served, page.rows, pageData(connection, query, served.where, source)));
}

}  // namespace corvane
