#include "host/ColumnSet.h"

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/Transaction.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

using db::quoteLiteral;

class EmbeddedColumnSet final : public ColumnSet {
 public:
  bool init(const std::string& connectString, const std::string& userId) override {
    if (userId.empty()) return false;
    try {
      connection_.open(connectString);
    } catch (const RuntimeError&) {
      return false;
    }
    userId_ = userId;
    return true;
  }

  std::string getColInfo(std::string& key, std::uint8_t& mode) override {
    if (mode != 0) {
      const std::string own = settingsOf(userId_, key);
      if (!own.empty()) return own;
    }
    return settingsOf("", key);
  }

  bool save(const std::string& settingsXml) override {
    XmlDocument settings;
    if (!settings.loadXML(settingsXml)) return false;
    const XmlNode root = settings.documentElement();
    const std::string key = root.attribute("key");
    if (root.name() != "columns" || key.empty()) return false;
    db::Transaction transaction(connection_);
    connection_.execute("DELETE FROM ColumnSetting WHERE cUser_ID=" + quoteLiteral(userId_) +
                        " AND cKey=" + quoteLiteral(key));
    connection_.execute("INSERT INTO ColumnSetting (cUser_ID, cKey, cXml) VALUES (" + quoteLiteral(userId_) + "," +
                        quoteLiteral(key) + "," + quoteLiteral(root.xml()) + ")");
    transaction.commit();
    return true;
  }

 private:
  std::string settingsOf(const std::string& userId, const std::string& key) {
    db::Recordset rs;
    rs.open("SELECT cXml FROM ColumnSetting WHERE cUser_ID=" + quoteLiteral(userId) + " AND cKey=" + quoteLiteral(key),
            connection_);
    return rs.eof() || rs.field("cXml").value().isNull() ? std::string() : CStr(rs.field("cXml").value());
  }

  db::Connection connection_;
  std::string userId_;
};

}  // namespace

std::unique_ptr<ColumnSet> CreateColumnSet() { return std::make_unique<EmbeddedColumnSet>(); }

}  // namespace corvane
