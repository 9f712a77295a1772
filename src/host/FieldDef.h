#pragma once
// The host's field-definition service: the user-defined fields of vouchers and archives, the
// values they take and the checks on them.
//
// Contract the module relies on:
// - One service per question: init, then one of the other calls.
// - init(connection, userId) answers false when the connection is not open or no user is given.
// - Where a field's values live: `source` 0 the host's list UserDefine (table "UserDefine",
//   field "cValue", the field's `name` as key); 1 the column `field` of the table `table`; 2 the
//   column `field` of the table `third`. A table or column that is not a plain name (letters,
//   digits, "_") is never put into SQL.
// - ValidateAr answers 0 when the value is accepted (an empty value always is), -1 when it is
//   longer than the field takes (UserDefField.iLength), 1 when the field checks its values
//   (UserDefField.bCheck, and every field of source 1 or 2) and the value is not in its list,
//   unless `build` allows values still being built up; -2 when the list cannot be read.
// - GetRefSQL and GetFreeRefSQL hand back the SELECT of a field's values (narrowed to those
//   holding `value` when it is not empty; its own condition written with a lower-case " where "),
//   the column heads and their widths, and answer true; false when no list can be named (a
//   table or column that is not a plain name; a free field that is not defined).
// - Nothing is written. Database errors of GetRefSQL reach the caller.

#include <functional>
#include <memory>
#include <string>

namespace corvane {

namespace db {
class Connection;
}

class FieldDef {
 public:
  virtual ~FieldDef() = default;
  virtual bool init(db::Connection& connection, const std::string& userId) = 0;
  virtual int ValidateAr(int source, int pos, const std::string& name, const std::string& table,
                         const std::string& field, const std::string& value, const std::string& third, bool build) = 0;
  virtual bool GetRefSQL(int source, int pos, const std::string& name, const std::string& table,
                         const std::string& field, const std::string& third, const std::string& value, std::string& sql,
                         std::string& head, std::string& width) = 0;
  virtual bool GetFreeRefSQL(const std::string& name, const std::string& value, std::string& sql, std::string& head,
                             std::string& width) = 0;
};

using FieldDefFactory = std::function<std::unique_ptr<FieldDef>()>;

// The embedded service, over the account's tables UserDefField and UserDefine.
std::unique_ptr<FieldDef> CreateFieldDef();

}  // namespace corvane
