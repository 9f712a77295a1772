#include "host/Aging.h"

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/Transaction.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

using db::quoteLiteral;

// The module whose intervals SaveAge stores: the only one this host serves.
constexpr const char* kModule = "KX";

class EmbeddedAging final : public Aging {
 public:
  explicit EmbeddedAging(db::Connection& connection) : CN_(connection) {}

  std::string getAge(LoginContext&, const std::string& module) override {
    db::Recordset rs;
    rs.openReadOnly("SELECT cXml FROM AgingIntervals WHERE cSub_ID=" + quoteLiteral(module), CN_);
    return rs.eof() ? std::string() : CStr(rs.field("cXml").value());
  }

  bool SaveAge(LoginContext&, const std::string& xml) override {
    XmlDocument document;
    if (xml.empty() || !document.loadXML(xml)) return false;
    try {
      auto transaction = db::Transaction::joinOrBegin(CN_);
      CN_.execute("DELETE FROM AgingIntervals WHERE cSub_ID=" + quoteLiteral(kModule));
      CN_.execute("INSERT INTO AgingIntervals (cSub_ID, cXml) VALUES (" + quoteLiteral(kModule) + "," +
                  quoteLiteral(document.documentElement().xml()) + ")");
      transaction.commit();
    } catch (const RuntimeError&) {
      return false;  // a transaction of its own is rolled back; a joined one is the caller's to roll back
    }
    return true;
  }

 private:
  db::Connection& CN_;
};

}  // namespace

std::unique_ptr<Aging> CreateAging(db::Connection& requestConnection) {
  return std::make_unique<EmbeddedAging>(requestConnection);
}

}  // namespace corvane
