#include "reports/ReportTempTable.h"

#include "request/TempTables.h"

namespace corvane {

ReportTempTable::ReportTempTable(db::Connection& connection, const std::string& columns)
    : connection_(connection), name_(CreateTmpTable(connection, columns)) {}

ReportTempTable::~ReportTempTable() { DropTmpTable(connection_, name_); }

std::string ReportTempTable::fullName() const { return "tempdb.." + name_; }

}  // namespace corvane
