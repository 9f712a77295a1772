#include "host/FieldDef.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

using db::quoteLiteral;

constexpr long kDefaultWidth = 120;

std::string text(const Variant& value) { return value.isNull() ? std::string() : CStr(value); }

bool isPlainName(const std::string& name) {
  return !name.empty() && name.size() <= 60 && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
  });
}

// Characters of a UTF-8 text (bytes that do not continue a character).
long characterCount(const std::string& s) {
  return static_cast<long>(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Where a field's values live: a SELECT of one column, to be narrowed by " where " or " and ".
struct ValueList {
  std::string select;
  std::string column;
  bool hasWhere = false;

  std::string narrowedTo(const std::string& value) const {
    if (value.empty()) return select;
    return select + (hasWhere ? " and " : " where ") + column + " like " + quoteLiteral("%" + value + "%");
  }
  std::string holding(const std::string& value) const {
    return select + (hasWhere ? " and " : " where ") + column + "=" + quoteLiteral(value);
  }
};

struct FieldInfo {
  std::string caption;
  long length = 0;  // 0: no limit
  bool check = true;
};

class EmbeddedFieldDef final : public FieldDef {
 public:
  bool init(db::Connection& connection, const std::string& userId) override {
    if (!connection.isOpen() || userId.empty()) return false;
    connection_ = &connection;
    return true;
  }

  int ValidateAr(int source, int, const std::string& name, const std::string& table, const std::string& field,
                 const std::string& value, const std::string& third, bool build) override {
    if (value.empty()) return 0;
    try {
      const std::optional<FieldInfo> info = fieldInfo(name);
      if (info && info->length > 0 && characterCount(value) > info->length) return -1;
      const std::optional<ValueList> list = valueList(source, name, table, field, third);
      if (!list) return -2;
      const bool checks = source != 0 || !info || info->check;
      if (!checks || build) return 0;
      db::Recordset rs;
      rs.open(list->holding(value), connection());
      return rs.eof() ? 1 : 0;
    } catch (const RuntimeError&) {
      return -2;
    }
  }

  bool GetRefSQL(int source, int, const std::string& name, const std::string& table, const std::string& field,
                 const std::string& third, const std::string& value, std::string& sql, std::string& head,
                 std::string& width) override {
    const std::optional<ValueList> list = valueList(source, name, table, field, third);
    if (!list) return false;
    const std::optional<FieldInfo> info = fieldInfo(name);
    sql = list->narrowedTo(value);
    head = info ? info->caption : name;
    width = std::to_string(kDefaultWidth);
    return true;
  }

  bool GetFreeRefSQL(const std::string& name, const std::string& value, std::string& sql, std::string& head,
                     std::string& width) override {
    const std::optional<FieldInfo> info = fieldInfo(name);
    if (!info) return false;
    sql = hostList(name).narrowedTo(value);
    head = info->caption;
    width = std::to_string(kDefaultWidth);
    return true;
  }

 private:
  db::Connection& connection() const {
    if (connection_ == nullptr) {
      raiseObjectMissing("The field service was not initialised.");
    }
    return *connection_;
  }

  std::optional<FieldInfo> fieldInfo(const std::string& name) const {
    db::Recordset rs;
    rs.open("SELECT cCaption, iLength, bCheck FROM UserDefField WHERE cFieldName=" + quoteLiteral(name), connection());
    if (rs.eof()) return std::nullopt;
    return FieldInfo{text(rs.field("cCaption").value()), CLng(rs.field("iLength").value()),
                     CBool(rs.field("bCheck").value())};
  }

  static ValueList hostList(const std::string& name) {
    return {"select cValue as cvalue from UserDefine where cID=" + quoteLiteral(name), "cValue", true};
  }

  static std::optional<ValueList> valueList(int source, const std::string& name, const std::string& table,
                                            const std::string& field, const std::string& third) {
    if (source == 0) return hostList(name);
    const std::string& from = source == 1 ? table : third;
    if ((source != 1 && source != 2) || !isPlainName(from) || !isPlainName(field)) {
      return std::nullopt;
    }
    return ValueList{"select distinct " + field + " from " + from, field, false};
  }

  db::Connection* connection_ = nullptr;
};

}  // namespace

std::unique_ptr<FieldDef> CreateFieldDef() { return std::make_unique<EmbeddedFieldDef>(); }

}  // namespace corvane
