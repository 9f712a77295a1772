#include "host/Aging.h"

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

using db::quoteLiteral;

// The module whose intervals SaveAge stores: the only one this host serves.
constexpr const char* kModule = "KX";

class EmbeddedAging final : public Aging {
 public:
  std::string getAge(LoginContext& login, const std::string& module) override {
    db::Connection connection;
    connection.open(login.ConnectString());
    db::Recordset rs;
    rs.openReadOnly("SELECT cXml FROM AgingIntervals WHERE cSub_ID=" + quoteLiteral(module), connection);
    return rs.eof() ? std::string() : CStr(rs.field("cXml").value());
  }

  bool SaveAge(LoginContext& login, const std::string& xml) override {
    XmlDocument document;
    if (xml.empty() || !document.loadXML(xml)) return false;
    try {
      db::Connection connection;
      connection.open(login.ConnectString());
      connection.beginTrans();
      connection.execute("DELETE FROM AgingIntervals WHERE cSub_ID=" + quoteLiteral(kModule));
      connection.execute("INSERT INTO AgingIntervals (cSub_ID, cXml) VALUES (" + quoteLiteral(kModule) + "," +
                         quoteLiteral(document.documentElement().xml()) + ")");
      connection.commitTrans();
    } catch (const RuntimeError&) {
      return false;  // the connection rolls back what it has not committed when it closes
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<Aging> CreateAging() { return std::make_unique<EmbeddedAging>(); }

}  // namespace corvane
