// Writing a record set's edits back to its table: which table and key, and the statements.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/DbFaultHook.h"
#include "platform/db/RecordsetData.h"
#include "platform/db/SqliteErrors.h"
#include "platform/tsql/TsqlLexer.h"

namespace corvane::db {

namespace {

// ---- Reading the table's keys --------------------------------------------------------------

// The text columns of every row of `sql`, run with the texts `arguments` bound in order.
std::vector<std::vector<std::string>> textRows(sqlite3* handle, const std::string& sql,
                                               const std::vector<std::string>& arguments) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr);
  if (rc != SQLITE_OK) raiseSqliteError(handle, rc, sql);
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    sqlite3_bind_text(statement, static_cast<int>(index + 1), arguments[index].c_str(), -1, SQLITE_TRANSIENT);
  }
  std::vector<std::vector<std::string>> rows;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int column = 0; column < sqlite3_column_count(statement); ++column) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      row.emplace_back(text ? text : "");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  if (rc != SQLITE_DONE) raiseSqliteError(handle, rc, sql);
  return rows;
}

struct TableKey {
  std::vector<std::string> columns;
  bool isRowid = false;  // a single INTEGER PRIMARY KEY column: the rowid under its own name
};

// The primary key first, then every unique index that is not partial, in the table's order.
std::vector<TableKey> keysOf(sqlite3* handle, const std::string& schema, const std::string& table) {
  std::vector<TableKey> keys;
  TableKey primary;
  const auto primaryColumns = textRows(
      handle, "SELECT name, type FROM pragma_table_info(?1, ?2) WHERE pk > 0 ORDER BY pk", {table, schema});
  for (const auto& row : primaryColumns) primary.columns.push_back(row[0]);
  primary.isRowid = primaryColumns.size() == 1 && equalsIgnoringCase(primaryColumns[0][1], "INTEGER");
  if (!primary.columns.empty()) keys.push_back(primary);
  for (const auto& index : textRows(
           handle, "SELECT name FROM pragma_index_list(?1, ?2) WHERE \"unique\" = 1 AND partial = 0",
           {table, schema})) {
    TableKey key;
    for (const auto& column : textRows(
             handle, "SELECT coalesce(name, '') FROM pragma_index_info(?1, ?2) ORDER BY seqno", {index[0], schema})) {
      key.columns.push_back(column[0]);
    }
    keys.push_back(key);
  }
  return keys;
}

std::optional<std::size_t> fieldOfColumn(const std::vector<FieldInfo>& fields, const std::string& column) {
  for (std::size_t index = 0; index < fields.size(); ++index) {
    if (!fields[index].baseTable.empty() && equalsIgnoringCase(fields[index].baseColumn, column)) return index;
  }
  return std::nullopt;
}

// ---- Statements ----------------------------------------------------------------------------

std::string quoted(std::string_view identifier) {
  std::string text = "\"";
  for (const char c : identifier) {
    text += c;
    if (c == '"') text += '"';
  }
  return text + '"';
}

std::string tableName(const UpdateTarget& target) { return quoted(target.schema) + "." + quoted(target.table); }

bool isBinary(DataType type) { return type == adBinary || type == adVarBinary || type == adLongVarBinary; }

// Values go in as the statements of the module store them: Booleans as 1 and 0, money as a
// number, dates in the stored text form.
void bindValue(sqlite3_stmt* statement, int index, const Variant& value, DataType type) {
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null: sqlite3_bind_null(statement, index); break;
    case VarType::Boolean: sqlite3_bind_int(statement, index, value.asBoolean() ? 1 : 0); break;
    case VarType::Integer:
    case VarType::Long: sqlite3_bind_int64(statement, index, value.asLong()); break;
    case VarType::Double: sqlite3_bind_double(statement, index, value.asDouble()); break;
    case VarType::Currency: {
      const Currency money = value.asCurrency();
      if (money.scaled() % 10000 == 0) {
        sqlite3_bind_int64(statement, index, money.scaled() / 10000);
      } else {
        sqlite3_bind_double(statement, index, money.toDouble());
      }
      break;
    }
    case VarType::Date:
      sqlite3_bind_text(statement, index, value.asDate().toSqlString().c_str(), -1, SQLITE_TRANSIENT);
      break;
    case VarType::String: {
      const std::string& text = value.asString();
      if (isBinary(type)) {
        sqlite3_bind_blob(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      } else {
        sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      }
      break;
    }
  }
}

struct Parameter {
  const Variant* value;
  DataType type;
};

// Runs one writing statement; answers the rows it changed.
long runWrite(sqlite3* handle, const std::string& sql, const std::vector<Parameter>& parameters) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr);
  if (rc != SQLITE_OK) raiseSqliteError(handle, rc, sql);
  for (std::size_t index = 0; index < parameters.size(); ++index) {
    bindValue(statement, static_cast<int>(index + 1), *parameters[index].value, parameters[index].type);
  }
  rc = sqlite3_step(statement);
  sqlite3_finalize(statement);
  if (rc != SQLITE_DONE) raiseSqliteError(handle, rc, sql);
  return sqlite3_changes(handle);
}

[[noreturn]] void raiseRowNotFound() {
  throw RuntimeError(kErrRowNotFound,
                     "Row cannot be located for updating. Some values may have been changed since it "
                     "was last read.");
}

// "WHERE key1 IS ?n AND ..." over the row's values as they were read.
std::string keyCondition(const RecordsetData& data, const RecordRow& row, std::vector<Parameter>& parameters) {
  const UpdateTarget& target = *data.target;
  if (target.byRowid) return " WHERE _rowid_ = " + std::to_string(row.rowid);
  const std::vector<Variant>& read = row.original.empty() ? row.values : row.original;
  std::string condition;
  for (const std::size_t field : target.keyFields) {
    condition += condition.empty() ? " WHERE " : " AND ";
    parameters.push_back({&read[field], data.fields[field].type()});
    condition += quoted(data.fields[field].info().baseColumn) + " IS ?" + std::to_string(parameters.size());
  }
  return condition;
}

bool isWritten(const RecordRow& row, std::size_t field, const std::vector<Field>& fields) {
  return !row.assigned.empty() && row.assigned[field] && !fields[field].info().baseTable.empty();
}

// Inserts an added row; answers its rowid.
std::int64_t insertRow(sqlite3* handle, const RecordsetData& data, const RecordRow& row) {
  std::string columns;
  std::string placeholders;
  std::vector<Parameter> parameters;
  for (std::size_t field = 0; field < data.fields.size(); ++field) {
    if (!isWritten(row, field, data.fields)) continue;
    parameters.push_back({&row.values[field], data.fields[field].type()});
    columns += (columns.empty() ? "" : ", ") + quoted(data.fields[field].info().baseColumn);
    placeholders += (placeholders.empty() ? "?" : ", ?") + std::to_string(parameters.size());
  }
  const std::string sql = "INSERT INTO " + tableName(*data.target) +
                          (columns.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + placeholders + ")");
  runWrite(handle, sql, parameters);
  return sqlite3_last_insert_rowid(handle);
}

void updateRow(sqlite3* handle, const RecordsetData& data, const RecordRow& row) {
  std::string assignments;
  std::vector<Parameter> parameters;
  for (std::size_t field = 0; field < data.fields.size(); ++field) {
    if (!isWritten(row, field, data.fields)) continue;
    parameters.push_back({&row.values[field], data.fields[field].type()});
    assignments += (assignments.empty() ? "" : ", ") + quoted(data.fields[field].info().baseColumn) + " = ?" +
                   std::to_string(parameters.size());
  }
  if (assignments.empty()) return;
  const std::string sql = "UPDATE " + tableName(*data.target) + " SET " + assignments;
  if (runWrite(handle, sql + keyCondition(data, row, parameters), parameters) == 0) raiseRowNotFound();
}

void deleteRow(sqlite3* handle, const RecordsetData& data, const RecordRow& row) {
  std::vector<Parameter> parameters;
  const std::string sql = "DELETE FROM " + tableName(*data.target);
  if (runWrite(handle, sql + keyCondition(data, row, parameters), parameters) == 0) raiseRowNotFound();
}

[[noreturn]] void raiseNoTarget() {
  throw RuntimeError(errnum::kDbUnspecified, "Insufficient key column information for updating or refreshing.");
}

void runControl(sqlite3* handle, const char* sql) {
  const int rc = sqlite3_exec(handle, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) raiseSqliteError(handle, rc, sql);
}

// Runs the row's pending statement; answers the rowid of an inserted row (0 otherwise).
std::int64_t executeWrite(const RecordsetData& data, const RecordRow& row) {
  if (!data.target) raiseNoTarget();
  sqlite3* handle = sqliteHandle(*data.connection);
  faultPoint(DbCall::WriteRecord);
  switch (row.state) {
    case RowState::Added: return insertRow(handle, data, row);
    case RowState::Modified: updateRow(handle, data, row); break;
    case RowState::Deleted: deleteRow(handle, data, row); break;
    default: break;
  }
  return 0;
}

void markWritten(const RecordsetData& data, RecordRow& row, std::int64_t insertedRowid) {
  if (row.state == RowState::Added) {
    row.rowid = insertedRowid;
    const auto& alias = data.target->rowidAliasField;
    if (alias && !isWritten(row, *alias, data.fields)) {
      row.values[*alias] = insertedRowid >= std::numeric_limits<std::int32_t>::min() &&
                                   insertedRowid <= std::numeric_limits<std::int32_t>::max()
                               ? Variant::longValue(static_cast<std::int32_t>(insertedRowid))
                               : Variant::dbl(static_cast<double>(insertedRowid));
    }
  }
  row.state = row.state == RowState::Deleted ? RowState::Removed : RowState::Unchanged;
  row.assigned.clear();
  row.original.clear();
}

bool isPending(const RecordRow& row) {
  return row.state == RowState::Added || row.state == RowState::Modified || row.state == RowState::Deleted;
}

}  // namespace

std::optional<UpdateTarget> findUpdateTarget(sqlite3* handle, const std::vector<FieldInfo>& fields) {
  const FieldInfo* base = nullptr;
  for (const FieldInfo& field : fields) {
    if (field.baseTable.empty()) continue;
    if (base == nullptr) base = &field;
    if (field.baseSchema != base->baseSchema || !equalsIgnoringCase(field.baseTable, base->baseTable)) {
      return std::nullopt;
    }
  }
  if (base == nullptr) return std::nullopt;
  UpdateTarget target{base->baseSchema, base->baseTable, {}, false, std::nullopt};
  for (const TableKey& key : keysOf(handle, target.schema, target.table)) {
    std::vector<std::size_t> keyFields;
    for (const std::string& column : key.columns) {
      if (const auto field = fieldOfColumn(fields, column)) keyFields.push_back(*field);
    }
    if (key.columns.empty() || keyFields.size() != key.columns.size()) continue;
    target.keyFields = keyFields;
    if (key.isRowid) target.rowidAliasField = keyFields.front();
    return target;
  }
  target.byRowid = true;
  return target;
}

void writeRow(RecordsetData& data, RecordRow& row) { markWritten(data, row, executeWrite(data, row)); }

void writeAllRows(RecordsetData& data) {
  std::vector<std::pair<RecordRow*, std::int64_t>> written;
  for (RecordRow& row : data.rows) {
    if (isPending(row)) written.emplace_back(&row, 0);
  }
  if (written.empty()) return;
  if (!data.target) raiseNoTarget();
  sqlite3* handle = sqliteHandle(*data.connection);
  // A savepoint makes the batch all or nothing, inside the caller's transaction or alone.
  const bool alone = sqlite3_get_autocommit(handle) != 0;
  runControl(handle, "SAVEPOINT record_batch");
  try {
    for (auto& [row, rowid] : written) rowid = executeWrite(data, *row);
    runControl(handle, "RELEASE record_batch");
  } catch (...) {
    if (alone) {
      sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
      sqlite3_exec(handle, "ROLLBACK TO record_batch; RELEASE record_batch", nullptr, nullptr, nullptr);
    }
    throw;
  }
  for (auto& [row, rowid] : written) markWritten(data, *row, rowid);
}

}  // namespace corvane::db
