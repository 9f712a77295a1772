#pragma once
// The host's menu service: the menu of one module's functions as a user may use them.
//
// Contract the module relies on:
// - LoadMenu1(byRights, subsystem, accountId, year, userId, hostContextName) answers the menu as
//   XML text: nested <node id='..' caption='..'> folders holding <node id='..' caption='..'
//   url='..' auth='..'/> entries, in menu order, under one <nodes> element. With `byRights`
//   only the entries whose right the user holds in that account and year (himself, through one
//   of his groups, or by holding 'ADMIN') are listed, and a folder without entries is left out.
// - It reads through the connection it was made with (the system database attached as
//   vqsystem) and writes nothing. Database errors reach the caller.

#include <functional>
#include <memory>
#include <string>

namespace corvane {

namespace db {
class Connection;
}

class Navigator {
 public:
  virtual ~Navigator() = default;
  virtual std::string LoadMenu1(bool byRights, const std::string& subsystem, const std::string& accountId,
                                const std::string& year, const std::string& userId,
                                const std::string& hostContextName) = 0;
};

// Creates the service over an open connection of the account, as the module does per request.
using NavigatorFactory = std::function<std::unique_ptr<Navigator>(db::Connection&)>;

// The embedded service, over the system database's table UA_Menu and the rights of UA_HoldAuth.
std::unique_ptr<Navigator> CreateNavigator(db::Connection& connection);

}  // namespace corvane
