#include "platform/db/Recordset.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/ClientQueryGuard.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/DbFaultHook.h"
#include "platform/db/RecordsetData.h"
#include "platform/tsql/SqliteErrors.h"
#include "platform/tsql/StatementCache.h"
#include "platform/tsql/TsqlLexer.h"
#include "platform/tsql/TsqlTranslator.h"

namespace corvane::db {

namespace {

// The column's value as text (a blob's bytes as they are).
std::string textOf(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

bool fitsLong(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

Variant wholeNumber(std::int64_t value) {
  return fitsLong(value) ? Variant::longValue(static_cast<std::int32_t>(value))
                         : Variant::dbl(static_cast<double>(value));
}

// Stored dates read "2005-08-02 14:30:05" (fractions of a second are dropped).
Variant dateFromText(std::string text) {
  if (const auto date = DateTime::parse(text)) return Variant(*date);
  return Variant(std::move(text));
}

Variant fromInteger(DataType type, std::int64_t value, sqlite3_stmt* statement, int column) {
  if (isText(type)) return Variant(textOf(statement, column));
  switch (type) {
    case adBoolean: return Variant::boolean(value != 0);
    case adCurrency:
    case adNumeric:
      if (value > std::numeric_limits<std::int64_t>::max() / 10000 ||
          value < std::numeric_limits<std::int64_t>::min() / 10000) {
        return Variant::dbl(static_cast<double>(value));
      }
      return Variant(Currency::fromScaled(value * 10000));
    case adSmallInt:
    case adTinyInt:
    case adUnsignedTinyInt:
      if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max()) {
        return Variant::integer(static_cast<std::int16_t>(value));
      }
      return wholeNumber(value);
    case adDouble:
    case adSingle: return Variant::dbl(static_cast<double>(value));
    default: return wholeNumber(value);
  }
}

// Beyond this a real does not fit the fixed-point type and stays a Double.
constexpr double kLargestCurrency = 9.2e14;

Variant fromReal(DataType type, double value, sqlite3_stmt* statement, int column) {
  if (isText(type)) return Variant(textOf(statement, column));
  switch (type) {
    case adBoolean: return Variant::boolean(value != 0);
    case adCurrency:
    case adNumeric:
      if (std::abs(value) >= kLargestCurrency) return Variant::dbl(value);
      return Variant(Currency::fromDouble(value));
    default: return Variant::dbl(value);
  }
}

std::optional<Currency> parseCurrency(const std::string& text) {
  try {
    return Currency::parse(text);
  } catch (const RuntimeError&) {
    return std::nullopt;  // too large: the text is kept as stored
  }
}

Variant fromText(DataType type, std::string text) {
  switch (type) {
    case adDBTimeStamp: return dateFromText(std::move(text));
    case adCurrency:
    case adNumeric:
      if (const auto money = parseCurrency(text)) return Variant(*money);
      return Variant(std::move(text));
    case adBoolean:
      if (equalsIgnoringCase(text, "true")) return Variant::boolean(true);
      if (equalsIgnoringCase(text, "false")) return Variant::boolean(false);
      return Variant(std::move(text));
    default: return Variant(std::move(text));
  }
}

// The value of a column of a known type: the stored value turned into the type's Variant kind.
// A value that does not fit the type (a text in a number column) is kept as it is stored.
Variant typedValue(DataType type, sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: return Variant::null();
    case SQLITE_INTEGER: return fromInteger(type, sqlite3_column_int64(statement, column), statement, column);
    case SQLITE_FLOAT: return fromReal(type, sqlite3_column_double(statement, column), statement, column);
    default: return fromText(type, textOf(statement, column));
  }
}

std::size_t characterCount(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The kinds of value an expression column produced; they decide its type.
struct ValueKinds {
  bool integer = false;
  bool bigInteger = false;
  bool real = false;
  bool text = false;
  std::size_t longestText = 0;

  Variant take(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
      case SQLITE_NULL: return Variant::null();
      case SQLITE_INTEGER: {
        const std::int64_t value = sqlite3_column_int64(statement, column);
        (fitsLong(value) ? integer : bigInteger) = true;
        return wholeNumber(value);
      }
      case SQLITE_FLOAT: real = true; return Variant::dbl(sqlite3_column_double(statement, column));
      default: {
        text = true;
        std::string value = textOf(statement, column);
        longestText = std::max(longestText, characterCount(value));
        return Variant(std::move(value));
      }
    }
  }

  DeclaredType type() const {
    if (text || !(integer || bigInteger || real)) {
      return {adVarWChar, static_cast<long>(std::max<std::size_t>(longestText, 1))};
    }
    if (real) return {adDouble, 8, 15};
    if (bigInteger) return {adBigInt, 8, 19};
    return {adInteger, 4, 10};
  }
};

// Brings an expression column's values to the type that all of them fit.
void unifyValues(std::vector<RecordRow>& rows, std::size_t column, DataType type) {
  for (auto& row : rows) {
    Variant& value = row.values[column];
    if (value.isNull()) continue;
    if (type == adVarWChar && value.type() != VarType::String) value = Variant(CStr(value));
    if (type == adDouble && value.type() == VarType::Long) value = Variant::dbl(value.asLong());
  }
}

FieldInfo describeColumn(sqlite3* handle, sqlite3_stmt* statement, int column) {
  FieldInfo info;
  const char* name = sqlite3_column_name(statement, column);
  info.name = name ? name : "";
  if (const char* declared = sqlite3_column_decltype(statement, column)) {
    if (const auto type = fieldTypeOf(declared)) info.declared = *type;
  }
  const char* table = sqlite3_column_table_name(statement, column);
  if (table == nullptr) return info;
  info.baseSchema = sqlite3_column_database_name(statement, column);
  info.baseTable = table;
  info.baseColumn = sqlite3_column_origin_name(statement, column);
  int notNull = 0;
  int primaryKey = 0;
  if (sqlite3_table_column_metadata(handle, info.baseSchema.c_str(), table, info.baseColumn.c_str(), nullptr, nullptr,
                                    &notNull, &primaryKey, nullptr) == SQLITE_OK) {
    info.nullable = notNull == 0 && primaryKey == 0;  // a key column holds no Null
  }
  return info;
}

// Gives the fields the names as the query spells them and the expressions the type that a cast
// or typed function gives them, as the translator read them from the query; SQLite's own names
// follow the table's spelling. Used only when the translator knows every column.
void applyQueryColumns(std::vector<FieldInfo>& infos, const std::vector<ResultColumn>& columns) {
  if (columns.size() != infos.size()) return;
  for (std::size_t column = 0; column < infos.size(); ++column) {
    FieldInfo& info = infos[column];
    const ResultColumn& written = columns[column];
    if (!written.name.empty()) info.name = written.name;
    if (info.declared.type != adEmpty || written.declaration.empty()) continue;
    if (const auto type = fieldTypeOf(written.declaration)) info.declared = *type;
  }
}

// The columns of a statement as SQLite and the schema describe them; a kept statement's are
// described once per schema versions (`versions`, those its translation stands on).
std::vector<FieldInfo> describeColumns(sqlite3* handle, sqlite3_stmt* statement, StatementCache& statements,
                                       const std::string& versions) {
  if (const std::vector<FieldInfo>* known = statements.describedColumns(statement, versions)) return *known;
  const int columns = sqlite3_column_count(statement);
  std::vector<FieldInfo> infos;
  for (int column = 0; column < columns; ++column) infos.push_back(describeColumn(handle, statement, column));
  statements.keepDescribedColumns(statement, versions, infos);
  return infos;
}

// Reads the statement's columns and rows into `data`. The columns are described after the first
// step: a kept statement whose tables were made again since its last run is prepared again by
// that step, and only then answers their columns.
void readSnapshot(sqlite3* handle, sqlite3_stmt* statement, const std::vector<ResultColumn>& queryColumns,
                  StatementCache& statements, const std::string& versions, RecordsetData& data) {
  int rc = sqlite3_step(statement);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) raiseSqliteError(handle, rc, sqlite3_sql(statement));
  std::vector<FieldInfo> infos = describeColumns(handle, statement, statements, versions);
  const int columns = static_cast<int>(infos.size());
  applyQueryColumns(infos, queryColumns);
  std::vector<ValueKinds> kinds(static_cast<std::size_t>(columns));

  for (; rc == SQLITE_ROW; rc = sqlite3_step(statement)) {
    std::vector<Variant> values;
    values.reserve(static_cast<std::size_t>(columns));
    for (int column = 0; column < columns; ++column) {
      const DataType type = infos[static_cast<std::size_t>(column)].declared.type;
      values.push_back(type == adEmpty ? kinds[static_cast<std::size_t>(column)].take(statement, column)
                                       : typedValue(type, statement, column));
    }
    data.addRow(std::move(values));
  }
  if (rc != SQLITE_DONE) raiseSqliteError(handle, rc, sqlite3_sql(statement));

  for (std::size_t column = 0; column < infos.size(); ++column) {
    FieldInfo& info = infos[column];
    if (info.declared.type == adEmpty) {
      info.declared = kinds[column].type();
      unifyValues(data.rows, column, info.declared.type);
    }
    data.addField(std::move(info));
  }
}

void skipRows(sqlite3* handle, sqlite3_stmt* statement) {
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) raiseSqliteError(handle, rc, sqlite3_sql(statement));
}

[[noreturn]] void raiseItemNotFound() {
  throw RuntimeError(errnum::kDbItemNotFound,
                     "Item cannot be found in the collection corresponding to the requested name "
                     "or ordinal.");
}

}  // namespace

void raiseNoCurrentRecord() {
  throw RuntimeError(errnum::kDbNoCurrentRecord,
                     "Either BOF or EOF is true, or the current record has been deleted. "
                     "Requested operation requires a current record.");
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

RecordsetData& recordsetData(Recordset& recordset) { return recordset.data(); }
const RecordsetData& recordsetData(const Recordset& recordset) { return recordset.data(); }

void openRecordset(Recordset& recordset, std::unique_ptr<RecordsetData> data) {
  if (recordset.isOpen()) {
    throw RuntimeError(kErrObjectOpen, "Operation is not allowed when the object is open.");
  }
  data->position = 0;
  recordset.data_ = std::move(data);
}

void Recordset::open(const std::string& tsql, Connection& connection, CursorType cursorType,
                     LockType /*lockType: every set is a read-only snapshot*/) {
  if (isOpen()) throw RuntimeError(kErrObjectOpen, "Operation is not allowed when the object is open.");
  sqlite3* handle = sqliteHandle(connection);
  faultPoint(DbCall::OpenRecordset);
  StatementCache& statements = statementCache(connection);
  QueryReadScope readScope(connection);
  const auto program = TsqlTranslator::shared().translate(handle, tsql, &statements, &catalogMemo(connection));
  if (!program->isSingleSelect()) readScope.end();
  auto data = std::make_unique<RecordsetData>();
  bool hasResult = false;
  program->run(
      handle,
      [&](sqlite3_stmt* statement, const ProgramStep& step) {
        // The first statement that returns columns gives the record set; later ones only run.
        if (hasResult) return skipRows(handle, statement);
        hasResult = true;
        readSnapshot(handle, statement, step.columns, statements, catalogMemo(connection).programVersions(), *data);
      },
      &statements);
  readScope.end();
  if (!hasResult) return;
  data->cursorType = cursorType;
  openRecordset(*this, std::move(data));
}

void Recordset::openReadOnly(const std::string& tsql, Connection& connection, CursorType cursorType) {
  sqlite3* handle = sqliteHandle(connection);
  const ClientQueryGuard guard(handle, clientQueryGuards(connection), connection.commandTimeout());
  // Prepared afresh while the guard lives: a kept statement was authorized without it.
  const StatementCacheSuspension uncached(statementCache(connection));
  if (!TsqlTranslator::shared().translate(handle, tsql)->isSingleReadingStatement(handle)) {
    throw RuntimeError(errnum::kInvalidArgument, "Only a single SELECT statement may be run here.");
  }
  open(tsql, connection, cursorType, adLockReadOnly);
}

void Recordset::close() { data_.reset(); }

RecordsetData& Recordset::data() {
  if (!data_) throw RuntimeError(kErrObjectClosed, "Operation is not allowed when the object is closed.");
  return *data_;
}

const RecordsetData& Recordset::data() const {
  if (!data_) throw RuntimeError(kErrObjectClosed, "Operation is not allowed when the object is closed.");
  return *data_;
}

CursorType Recordset::cursorType() const { return data().cursorType; }

bool Recordset::eof() const {
  const RecordsetData& d = data();
  return d.count() == 0 || d.position >= d.count();
}

bool Recordset::bof() const {
  const RecordsetData& d = data();
  return d.count() == 0 || d.position < 0;
}

void Recordset::moveFirst() { data().position = 0; }

void Recordset::moveLast() {
  RecordsetData& d = data();
  d.position = std::max(d.count() - 1, 0L);
}

void Recordset::moveNext() {
  if (eof()) raiseNoCurrentRecord();
  ++data().position;
}

void Recordset::movePrevious() {
  if (bof()) raiseNoCurrentRecord();
  --data().position;
}

long Recordset::recordCount() const { return data().count(); }

int Recordset::fieldCount() const { return static_cast<int>(data().fields.size()); }

const Field& Recordset::field(int index) const {
  const RecordsetData& d = data();
  if (index < 0 || index >= static_cast<int>(d.fields.size())) raiseItemNotFound();
  return d.fields[static_cast<std::size_t>(index)];
}

int Recordset::findField(std::string_view name) const {
  const auto& fields = data().fields;
  const auto found = std::find_if(fields.begin(), fields.end(),
                                  [name](const Field& field) { return equalsIgnoringCase(field.name(), name); });
  return found == fields.end() ? -1 : static_cast<int>(found - fields.begin());
}

const Field& Recordset::field(std::string_view name) const {
  const int index = findField(name);
  if (index < 0) raiseItemNotFound();
  return data().fields[static_cast<std::size_t>(index)];
}

bool Recordset::hasField(std::string_view name) const { return findField(name) >= 0; }

void Recordset::setFilter(std::string_view criteria) {
  RecordsetData& d = data();
  const std::vector<FilterCriterion> parsed = parseFilter(criteria, d.fields);
  d.visible.clear();
  for (std::size_t index = 0; index < d.rows.size(); ++index) {
    if (passesFilter(parsed, d.rows[index])) d.visible.push_back(index);
  }
  d.filter = criteria;
  d.position = 0;
}

const std::string& Recordset::filter() const { return data().filter; }

}  // namespace corvane::db
