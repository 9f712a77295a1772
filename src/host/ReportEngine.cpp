#include "host/ReportEngine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/ScratchTables.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

// Longest first, so that "<=" is not read as "<".
constexpr std::array<std::string_view, 6> kOperators = {"<>", "<=", ">=", "=", "<", ">"};

bool isPlainName(std::string_view name) {
  return !name.empty() &&
         std::ranges::all_of(name, [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; });
}

const ReportCondition& checked(const ReportCondition& condition) {
  if (!isPlainName(condition.column)) {
    throw RuntimeError(errnum::kInvalidArgument, "The filter names no plain column: '" + condition.column + "'.");
  }
  if (std::ranges::find(kOperators, condition.op) == kOperators.end()) {
    throw RuntimeError(errnum::kInvalidArgument, "The filter's operator is not known: '" + condition.op + "'.");
  }
  return condition;
}

class ConditionFilter final : public ReportFilter {
 public:
  explicit ConditionFilter(Variant sql) : sql_(std::move(sql)) {}
  Variant SQLString() const override { return sql_; }

 private:
  Variant sql_;
};

// "tempdb..<name>" with a plain name: the only tables the engine reads and drops.
std::string checkedTableName(const std::string& table) {
  constexpr std::string_view kPrefix = "tempdb..";
  if (table.rfind(kPrefix, 0) != 0 || !isPlainName(std::string_view(table).substr(kPrefix.size()))) {
    throw RuntimeError(errnum::kInvalidArgument, "The data source names no table of tempdb: '" + table + "'.");
  }
  return table;
}

std::string textOf(const Variant& value) { return value.isNull() || value.isEmpty() ? std::string() : CStr(value); }

ReportTable readTable(db::Connection& connection, const std::string& table) {
  ReportTable read;
  db::Recordset rs;
  rs.openReadOnly("select * from " + table, connection, db::adOpenForwardOnly);
  for (int i = 0; i < rs.fieldCount(); ++i) read.columns.push_back(rs.field(i).name());
  for (; !rs.eof(); rs.moveNext()) {
    std::vector<std::string> row;
    for (int i = 0; i < rs.fieldCount(); ++i) row.push_back(textOf(rs.field(i).value()));
    read.rows.push_back(std::move(row));
  }
  return read;
}

void dropTable(db::Connection& connection, const std::string& table) {
  const std::string name = table.substr(std::string_view("tempdb..").size());
  try {
    connection.execute("if exists(select 1 from tempdb..sysobjects where name=" + db::quoteLiteral(name) +
                       " and xtype=N'U') drop table " + table);
  } catch (const RuntimeError&) {
    // A table that cannot be dropped now keeps its record, and is swept once it is a day old.
    return;
  }
  db::forgetScratchTable(connection, name);
}

}  // namespace

ReportCondition ParseReportCondition(const std::string& text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    for (const std::string_view op : kOperators) {
      if (text.compare(at, op.size(), op) == 0) {
        return checked({text.substr(0, at), std::string(op), text.substr(at + op.size())});
      }
    }
  }
  throw RuntimeError(errnum::kInvalidArgument, "The filter condition has no operator: '" + text + "'.");
}

void ReportEngine::setFilter(const std::string& title, std::vector<ReportCondition> conditions) {
  for (const ReportCondition& condition : conditions) checked(condition);
  filters_[title] = std::move(conditions);
}

std::unique_ptr<ReportFilter> ReportEngine::ReportFilterByName(std::string& title) {
  const auto found = filters_.find(title);
  if (found == filters_.end()) return std::make_unique<ConditionFilter>(Variant::null());
  std::string sql;
  for (const ReportCondition& condition : found->second) {
    sql += (sql.empty() ? "" : " and ") + condition.column + condition.op + db::quoteLiteral(condition.value);
  }
  return std::make_unique<ConditionFilter>(Variant(sql));
}

ReportTable ReportEngine::run(ReportDataSource& source, const std::string& title) {
  source.setObjReportManager(this);
  source.setReportTitle(title);
  source.setObjLogin(&login_);
  source.setMConnectionString(login_.ConnectString());
  const std::string table = checkedTableName(source.TempTablename());
  source.MoveDataDetail();
  db::Connection connection;
  connection.open(login_.ConnectString());
  struct DropAtEnd {
    db::Connection& connection;
    const std::string& table;
    ~DropAtEnd() { dropTable(connection, table); }
  } dropAtEnd{connection, table};
  return readTable(connection, table);
}

}  // namespace corvane
