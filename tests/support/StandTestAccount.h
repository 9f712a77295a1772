#pragma once
// A fresh demo account on which the tests of the expense-standard settings serve whole request
// documents through CStand, and then look at the tables.

#include <memory>
#include <string>
#include <string_view>

#include "host/EmbeddedLoginContext.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/RowXml.h"
#include "request/Values.h"
#include "settings/CStand.h"
#include "support/CaseAccount.h"
#include "support/XmlText.h"

namespace corvane {

// The demo standards: lodging by person and place grade (departments 01, 02; four amount rows)
// and travel allowance by amount band (departments 0301, 0302; bands 01 "1000" and 02 "5000").
inline constexpr std::string_view kLodging = "{5A7D0001-0000-4000-8000-000000000001}";
inline constexpr std::string_view kAllowance = "{5A7D0002-0000-4000-8000-000000000002}";

class StandTestAccount {
 public:
  // Row versions restart at 1000 so that the ts values in replies are known.
  StandTestAccount() { account_.execute("UPDATE Corvane_RowVersion SET value = 1000"); }

  CaseAccount& account() { return account_; }

  // Serves `requestXml` as `user` in `locale` and answers the document that comes back.
  std::string serve(std::string_view requestXml, const std::string& user = "demo",
                    const std::string& locale = "zh-CN") {
    CStand stand;
    return account_.serve(stand, requestXml, user, locale).xml();
  }

  // The records `tsql` answers, one "<row .../>" line each.
  std::string rows(const std::string& tsql) {
    db::Connection connection;
    connection.open(account_.connectString());
    db::Recordset rs;
    rs.open(tsql, connection);
    return RsToRowXml(rs);
  }

  // The first field of the first record `tsql` answers, as text (empty when there is none).
  std::string value(const std::string& tsql) { return account_.scalar(tsql); }

 private:
  CaseAccount account_;
};

}  // namespace corvane
