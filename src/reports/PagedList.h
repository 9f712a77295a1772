#pragma once
// The page mechanism and the paged reply that every list shares.
//
// A list names its SELECT list, FROM text, WHERE text and the key that cuts its pages: a number
// (a voucher's or line's AutoID) or a text (the ledger list's composite key, the posting list's
// voucher GUID). A page is the range of `rows` distinct keys starting at key number
// current * rows + 1 in key order, so every key falls on exactly one page; the data query reads
// that key range only, ordered by the key (or the list's own order within the page). Cutting a
// page costs the counting of the keys and one walk from the nearer end of the keys to the page.
//
// The reply (PagedReply):
//   <success><page><count>P</count><current>C</current><rows>R</rows></page>
//   <data>...the page's record set in the XML persistence format...</data></success>
// P is the number of pages (1 when R is 0, which means all rows in one page), C the page served
// after clamping to the last page, R the page size asked for.

#include <string>

namespace corvane {

class XmlNode;
class XmlDocument;
namespace db {
class Connection;
}

// The page asked for: `in/page/current` and `in/page/rows` of the func element, each read as a
// whole number (0 when not numeric) and at least 0. Raises RuntimeError 91 when either element
// is missing.
struct PageRequest {
  long current = 0;
  long rows = 0;
};
PageRequest ReadPageRequest(const XmlNode& func);

enum class KeyKind { Number, Text };

struct PagedQuery {
  std::string select;  // the columns, written after "select distinct "
  std::string from;    // the data query's FROM text
  std::string where;   // the WHERE text; key bounds are appended to it
  std::string key;     // the key as written in WHERE and ORDER BY
  KeyKind keyKind = KeyKind::Number;
  std::string keyFrom;        // the key queries' FROM text; the data query's when empty
  bool keyUnique = false;     // every row of keyFrom has a key of its own: keys need no DISTINCT
  std::string order;          // the data query's ORDER BY; the key when empty
  bool dropMidnight = false;  // remove "T00:00:00" from the saved rows
};

// The page served: the page count, the page index after clamping, and the query's WHERE text
// bounded to the page's keys (unbounded when the request asks for no paging).
struct PageCut {
  long count = 1;
  long current = 0;
  std::string where;
};

// Cuts the keys of `query` into pages of `page.rows` keys. Raises RuntimeError 1001 (text of
// Z7.Corvane.0087) when no key matches, 1011 (Z7.Corvane.0126) when the page holds more than
// 10000 keys, each with `source`.
PageCut CutPage(db::Connection& connection, const PageRequest& page, const PagedQuery& query,
                const std::string& source);

// CutPage over every row of the work table `table`, keyed by its identity column autoid.
PageCut CutNumberedPage(db::Connection& connection, const PageRequest& page, const std::string& table,
                        const std::string& source);

// The rows of `tsql` (passed through FixSqlText) in the XML persistence format. Raises 1001 when
// it answers no row and 1011 beyond 10000 rows, as CutPage does.
std::string PageData(db::Connection& connection, const std::string& tsql, const std::string& source);

// "<success><page>...</page><data>`data`</data></success>" for the page served; with a `format`
// element "<format>`format`</format>" after the data when `format` is given.
std::string PagedReplyText(const PageCut& served, long rows, const std::string& data,
                           const std::string* format = nullptr);

// Serves one page of `query` into `reply` as PagedReply. Raises RuntimeError 1001 with the text
// of Z7.Corvane.0087 when no row matches, 1011 with the text of Z7.Corvane.0126 when the page
// holds more than 10000 rows, each with `source`. Database errors reach the caller. Every
// statement passes through FixSqlText.
void AnswerPage(db::Connection& connection, const PageRequest& page, const PagedQuery& query, const std::string& source,
                XmlDocument& reply);

}  // namespace corvane
