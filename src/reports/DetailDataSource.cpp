#include "reports/DetailDataSource.h"

#include <memory>

#include "host/LoginContext.h"
#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/SqlGateway.h"
#include "request/TempTables.h"
#include "request/Values.h"

namespace corvane {

namespace {

using db::quoteLiteral;

// The report's filter as one condition; "1=1" when it has none.
std::string reportFilter(ReportDataSource& source) {
  ReportManager* manager = source.ObjReportManager();
  if (manager == nullptr) raiseObjectMissing();
  std::string title = source.ReportTitle();
  const std::string filter = NullToStr(manager->ReportFilterByName(title)->SQLString());
  const bool blank = filter.find_first_not_of(" \t\r\n") == std::string::npos;
  return blank ? std::string("1=1") : "(" + filter + ")";
}

// The rows' users must all be among the users the login's rights allow.
std::string userRights(const LoginContext& login) {
  const std::string users = GetRowAuth(login, "USER");
  if (users.empty()) return {};
  if (equalsIgnoringCase(users, "1=2")) return " and 1=2";
  return " and strpersonid in(" + users + ")and strauditorid in(" + users + ")and strmakerid in(" + users + ")";
}

}  // namespace

std::string DetailDataSource::TempTablename() {
  tableName_ = GetTmpTableName();
  return "tempdb.." + tableName_;
}

bool DetailDataSource::MoveDataDetail() {
  LoginContext* login = objLogin();
  if (login == nullptr) raiseObjectMissing();
  gLocaleID = login->LocaleId();
  if (!mconn()) {
    auto connection = std::make_shared<db::Connection>();
    connection->open(MConnectionString());
    setMconn(std::move(connection));
  }
  db::Connection& connection = *mconn();
  DropTmpTable(connection, tableName_);
  const std::string where = reportFilter(*this) + userRights(*login);
  const std::string heads = GetAuthSource(*login, headTable(), false);
  const std::string rows =
      rowsQuery(heads, GetItemTableSql("", connection), quoteLiteral(GetResString("Z7.Corvane.0022")),
                quoteLiteral(GetResString("Z7.Corvane.0023")));
  sql::execute(connection, "select * into tempdb.." + tableName_ + " from(" + rows + ")a where " + where);
  // The engine reads the table and drops it; one it leaves is swept once it is a day old.
  RecordTmpTable(connection, tableName_);
  return true;
}

}  // namespace corvane
