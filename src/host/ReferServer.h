#pragma once
// The host's reference server: one page of a reference list at a time, for the pick lists of
// the web client.
//
// Contract the module relies on:
// - Every call answers the requested page in `rs` (an open record set holding the page's rows
//   only, possibly none) and updates the paging numbers: `count` the rows of the whole list,
//   `current` the page answered (1 for a page number below 1, the last page for one beyond it),
//   `length` as given (0 or less: the whole list is one page).
// - On failure `rs` stays closed and `errorText` says why; nothing is raised. A query text that
//   is not a single SELECT (see ReferServerQuery.h), after the client's condition and order are
//   added, is refused that way, so no list can change data.
// - It reads through a connection of its own to the login object's account; it writes nothing.
// - The flags the original calls pass as constant True carry no meaning here and are left out;
//   so are the empty object of GetRefItemRst and the empty text of GetData.

#include <functional>
#include <memory>
#include <string>

#include "platform/db/Recordset.h"

namespace corvane {

class LoginContext;

class ReferServer {
 public:
  virtual ~ReferServer() = default;

  // A page of the rows of `sql`, as given.
  virtual void GetRefStrRst(LoginContext& login, const std::string& sql, db::Recordset& rs, std::string& errorText,
                            long& length, long& current, long& count) = 0;

  // A page of the list named `key` (ReferDef), narrowed by the condition `match` on its columns
  // and sorted by `order` (the list's own order when empty). An unknown name is a failure.
  virtual void GetData(LoginContext& login, const std::string& key, std::string& match, std::string& order,
                       long& length, long& current, long& count, db::Recordset& rs, std::string& errorText) = 0;

  // A page of the items of item class `itemClass` (a plain code of letters and digits), narrowed
  // by `match`, with the item classes' display format in `format`.
  virtual void GetRefItemRst(db::Recordset& rs, db::Recordset& format, LoginContext& login,
                             const std::string& itemClass, std::string& match, std::string& errorText, long& length,
                             long& count, long& current) = 0;

  // The display format of the list `name`: its columns (cField, cCaption, iWidth) in order; an
  // open, possibly empty record set. Database errors are raised.
  virtual db::Recordset GetTitleFormat(LoginContext& login, const std::string& name) = 0;
};

using ReferServerFactory = std::function<std::unique_ptr<ReferServer>()>;

// The embedded server, over the account's tables ReferDef and ReferTitle and the item tables
// fitemss<class>.
std::unique_ptr<ReferServer> CreateReferServer();

}  // namespace corvane
