#pragma once
// What the host's report engine and the module's report data sources see of each other. The
// engine sets a data source's properties, asks it for a table name (TempTablename), lets it fill
// that table in tempdb under the report's filter (MoveDataDetail) and then reads the table itself;
// the data source asks the engine's manager for the report's filter by the report's title.

#include <memory>
#include <string>

#include "platform/com/Variant.h"

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// A report's filter: SQLString is a condition over the columns of the data source's table, or
// Null or blank for no condition.
class ReportFilter {
 public:
  virtual ~ReportFilter() = default;
  virtual Variant SQLString() const = 0;
};

// The engine's manager object as the data sources use it.
class ReportManager {
 public:
  virtual ~ReportManager() = default;
  // The filter of the report named `title`; never null.
  virtual std::unique_ptr<ReportFilter> ReportFilterByName(std::string& title) = 0;
};

// A data source of detail reports. The properties are the engine's to set; the members are
// called in the order TempTablename, MoveDataDetail; strSubTitle and OnValidateFilter at any
// time.
class ReportDataSource {
 public:
  virtual ~ReportDataSource() = default;

  ReportManager* ObjReportManager() const { return manager_; }
  void setObjReportManager(ReportManager* manager) { manager_ = manager; }
  const std::string& ReportTitle() const { return title_; }
  void setReportTitle(std::string title) { title_ = std::move(title); }
  LoginContext* objLogin() const { return login_; }
  void setObjLogin(LoginContext* login) { login_ = login; }
  // The connection the table is made on; made from MConnectionString when the engine sets none,
  // and kept for the data source's life.
  const std::shared_ptr<db::Connection>& mconn() const { return connection_; }
  void setMconn(std::shared_ptr<db::Connection> connection) { connection_ = std::move(connection); }
  const std::string& MConnectionString() const { return connectionString_; }
  void setMConnectionString(std::string connectionString) { connectionString_ = std::move(connectionString); }

  // A new table name, kept as the one to fill, answered as "tempdb..<name>".
  virtual std::string TempTablename() = 0;
  virtual std::string strSubTitle() = 0;
  // Fills the table under the report's filter and the user's rights; answers true. Errors reach
  // the engine.
  virtual bool MoveDataDetail() = 0;
  virtual bool OnValidateFilter() = 0;

 private:
  ReportManager* manager_ = nullptr;
  std::string title_;
  LoginContext* login_ = nullptr;
  std::shared_ptr<db::Connection> connection_;
  std::string connectionString_;
};

}  // namespace corvane
