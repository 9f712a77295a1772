#include "host/RowRight.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

using db::quoteLiteral;

// 'a','b': fits inside IN (...).
std::string inList(const std::vector<std::string>& ids) {
  std::string list;
  for (const std::string& id : ids) list += (list.empty() ? "" : ",") + quoteLiteral(id);
  return list;
}

// Select 'a' Union Select 'b': fits after "Select N'' Union" inside IN (...).
std::string selectList(const std::vector<std::string>& ids) {
  std::string list;
  for (const std::string& id : ids)
    list += (list.empty() ? "Select " : " Union Select ") + quoteLiteral(id);
  return list;
}

class EmbeddedRowRight final : public RowRight {
 public:
  void init(const std::string& connectString, const std::string& userId) override {
    connection_.open(connectString);
    userId_ = userId;
  }

  std::string GetAuthString(const std::string& businessObject, const std::string& a2,
                            const std::string& /*a3*/) override {
    if (!isControlled(businessObject)) return "";
    const std::vector<std::string> ids = grantedIds(businessObject, a2);
    if (ids.empty()) return "1=2";
    return equalsIgnoringCase(businessObject, "fitem") ? selectList(ids) : inList(ids);
  }

 private:
  bool isControlled(const std::string& object) {
    db::Recordset rs;
    rs.open("select bControl from RowRightObject where cBusObject = " + quoteLiteral(object),
            connection_);
    return !rs.eof() && CBool(rs.field("bControl").value());
  }

  // The ids granted to the user or to one of his groups, in order; a "user" grant as the
  // granted user's name.
  std::vector<std::string> grantedIds(const std::string& object, const std::string& key) {
    const bool users = equalsIgnoringCase(object, "user");
    std::string sql = "select distinct ";
    sql += users ? "u.cUser_Name from RowRightGrant g join vqsystem..UA_User u"
                   " on u.cUser_ID = g.cObjectID"
                 : "g.cObjectID from RowRightGrant g";
    sql += " where g.cBusObject = " + quoteLiteral(object);
    if (!key.empty()) sql += " and g.cKey = " + quoteLiteral(key);
    sql += " and ((g.iIsUser = 1 and g.cHolder_ID = " + quoteLiteral(userId_) +
           ") or (g.iIsUser = 0 and g.cHolder_ID in (select cgroup_id from vqsystem..UA_Role"
           " where cUser_id = " +
           quoteLiteral(userId_) + ")))";
    sql += users ? " order by u.cUser_Name" : " order by g.cObjectID";

    std::vector<std::string> ids;
    db::Recordset rs;
    rs.open(sql, connection_);
    for (; !rs.eof(); rs.moveNext()) ids.push_back(CStr(rs.field(0).value()));
    return ids;
  }

  db::Connection connection_;
  std::string userId_;
};

}  // namespace

std::unique_ptr<RowRight> CreateRowRight() { return std::make_unique<EmbeddedRowRight>(); }

}  // namespace corvane
