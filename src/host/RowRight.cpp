#include "host/RowRight.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionPool.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

using db::quoteLiteral;

// SQLite's NOCASE order, which the grant tables' columns are declared with: ASCII letters fold,
// other bytes compare unsigned, and a text that is the start of another comes first.
int compareNoCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t at = 0; at < common; ++at) {
    const auto x = static_cast<unsigned char>(toLowerAscii(a[at]));
    const auto y = static_cast<unsigned char>(toLowerAscii(b[at]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// 'a','b': fits inside IN (...).
std::string inList(const std::vector<std::string>& ids) {
  std::string list;
  for (const std::string& id : ids) list += (list.empty() ? "" : ",") + quoteLiteral(id);
  return list;
}

// Select 'a' Union Select 'b': fits after "Select N'' Union" inside IN (...).
std::string selectList(const std::vector<std::string>& ids) {
  std::string list;
  for (const std::string& id : ids) list += (list.empty() ? "Select " : " Union Select ") + quoteLiteral(id);
  return list;
}

// What the account says about one user: the controlled objects and every grant the user holds
// himself or through his groups, read at once so that each question is answered from memory.
struct UserGrants {
  struct Object {
    std::string name;
    bool controlled;
  };
  struct Grant {
    std::string object;
    std::string key;
    std::string id;
    std::optional<std::string> userName;  // for a "user" grant: the granted user's name, if he exists
  };
  std::vector<Object> objects;
  std::vector<Grant> grants;
};

UserGrants readGrants(db::Connection& connection, const std::string& userId) {
  UserGrants read;
  db::Recordset objects;
  objects.open("select cBusObject, bControl from RowRightObject", connection);
  for (; !objects.eof(); objects.moveNext()) {
    read.objects.push_back({CStr(objects.field(0).value()), CBool(objects.field(1).value())});
  }
  db::Recordset grants;
  grants.open(
      "select g.cBusObject, g.cKey, g.cObjectID, u.cUser_Name from RowRightGrant g"
      " left join vqsystem..UA_User u on u.cUser_ID = g.cObjectID"
      " where (g.iIsUser = 1 and g.cHolder_ID = " +
          quoteLiteral(userId) +
          ") or (g.iIsUser = 0 and g.cHolder_ID in (select cgroup_id from vqsystem..UA_Role"
          " where cUser_id = " +
          quoteLiteral(userId) + "))",
      connection);
  for (; !grants.eof(); grants.moveNext()) {
    const Variant& name = grants.field(3).value();
    read.grants.push_back({CStr(grants.field(0).value()), CStr(grants.field(1).value()), CStr(grants.field(2).value()),
                           name.isNull() ? std::nullopt : std::optional<std::string>(CStr(name))});
  }
  return read;
}

class EmbeddedRowRight final : public RowRight {
 public:
  // The grants are read here, on a pooled connection that goes back at once: every question of
  // this service is then answered without the database.
  void init(const std::string& connectString, const std::string& userId) override {
    const db::PooledConnection connection = db::ConnectionPool::shared().acquire(connectString);
    grants_ = readGrants(*connection, userId);
  }

  std::string GetAuthString(const std::string& businessObject, const std::string& a2,
                            const std::string& /*a3*/) override {
    if (!grants_) throw RuntimeError(db::kErrObjectClosed, "Operation is not allowed when the object is closed.");
    if (!isControlled(businessObject)) return "";
    const std::vector<std::string> ids = grantedIds(businessObject, a2);
    if (ids.empty()) return "1=2";
    return equalsIgnoringCase(businessObject, "fitem") ? selectList(ids) : inList(ids);
  }

 private:
  bool isControlled(const std::string& object) const {
    return std::ranges::any_of(grants_->objects, [&object](const UserGrants::Object& listed) {
      return listed.controlled && compareNoCase(listed.name, object) == 0;
    });
  }

  // The distinct ids granted for `object` (under `key` when one is given), in NOCASE order; a
  // "user" grant as the granted user's name, and none for a user who does not exist.
  std::vector<std::string> grantedIds(const std::string& object, const std::string& key) const {
    const bool users = equalsIgnoringCase(object, "user");
    std::vector<std::string> ids;
    for (const UserGrants::Grant& grant : grants_->grants) {
      if (compareNoCase(grant.object, object) != 0) continue;
      if (!key.empty() && compareNoCase(grant.key, key) != 0) continue;
      if (!users) {
        ids.push_back(grant.id);
      } else if (grant.userName) {
        ids.push_back(*grant.userName);
      }
    }
    const auto before = [](const std::string& a, const std::string& b) { return compareNoCase(a, b) < 0; };
    const auto same = [](const std::string& a, const std::string& b) { return compareNoCase(a, b) == 0; };
    std::stable_sort(ids.begin(), ids.end(), before);
    ids.erase(std::unique(ids.begin(), ids.end(), same), ids.end());
    return ids;
  }

  std::optional<UserGrants> grants_;
};

}  // namespace

std::unique_ptr<RowRight> CreateRowRight() { return std::make_unique<EmbeddedRowRight>(); }

}  // namespace corvane
