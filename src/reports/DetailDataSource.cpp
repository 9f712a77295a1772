#include "reports/DetailDataSource.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "core/Locale.h"
#include "core/Messages.h"
#include "core/QueryBuilders.h"
#include "core/SqlText.h"
#include "core/TempTables.h"
#include "core/Values.h"
#include "host/LoginContext.h"
#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"

namespace corvane {

namespace {

using db::quoteLiteral;

// The time `ago` before now, UTC, as "yyyy-mm-dd hh:mm:ss".
std::string utcText(std::chrono::hours ago) {
  const std::time_t at = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() - ago);
  std::tm utc{};
  gmtime_r(&at, &utc);
  char text[20];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
  return text;
}

// The record of the tables the data sources filled, with the time each was made (UTC, text
// yyyy-mm-dd hh:mm:ss); made in tempdb by the first data source that fills a table.
void keepTableBirths(db::Connection& connection) {
  connection.execute(
      "if not exists(select 1 from tempdb..sysobjects where name=N'ReportTableBirth' and xtype=N'U') "
      "create table tempdb..ReportTableBirth ([cName] [nvarchar] (60) NOT NULL ,[dCreated] [nvarchar] (19) NOT NULL)");
}

// Drops the tables the data sources filled more than a day ago, which no engine reads any more.
void sweepStaleTables(db::Connection& connection) {
  keepTableBirths(connection);
  std::vector<std::string> stale;
  {
    db::Recordset rs;
    rs.openReadOnly("select cName from tempdb..ReportTableBirth where dCreated<" +
                        quoteLiteral(utcText(std::chrono::hours(24))),
                    connection, db::adOpenForwardOnly);
    for (; !rs.eof(); rs.moveNext()) stale.push_back(CStr(rs.field(0).value()));
  }
  for (const std::string& name : stale) {
    DropTmpTable(connection, name);
    connection.execute("delete from tempdb..ReportTableBirth where cName=" + quoteLiteral(name));
  }
}

// The report's filter as one condition; "1=1" when it has none.
std::string reportFilter(ReportDataSource& source) {
  ReportManager* manager = source.ObjReportManager();
  if (manager == nullptr) throw RuntimeError(errnum::kObjectMissing, "Object variable or With block variable not set");
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
  if (login == nullptr) throw RuntimeError(errnum::kObjectMissing, "Object variable or With block variable not set");
  gLocaleID = login->LocaleId();
  if (!mconn()) {
    auto connection = std::make_shared<db::Connection>();
    connection->open(MConnectionString());
    setMconn(std::move(connection));
  }
  db::Connection& connection = *mconn();
  DropTmpTable(connection, tableName_);
  sweepStaleTables(connection);
  const std::string where = reportFilter(*this) + userRights(*login);
  const std::string heads = GetAuthSource(*login, headTable(), false);
  const std::string rows = rowsQuery(heads, GetItemTableSql("", connection), quoteLiteral(GetResString("Z7.Corvane.0022")),
                                     quoteLiteral(GetResString("Z7.Corvane.0023")));
  connection.execute(FixSqlText("select * into tempdb.." + tableName_ + " from(" + rows + ")a where " + where));
  connection.execute("delete from tempdb..ReportTableBirth where cName=" + quoteLiteral(tableName_));
  connection.execute("insert into tempdb..ReportTableBirth (cName, dCreated) values (" + quoteLiteral(tableName_) +
                     "," + quoteLiteral(utcText(std::chrono::hours(0))) + ")");
  return true;
}

}  // namespace corvane
