#include "platform/tsql/Program.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/tsql/SqliteErrors.h"
#include "platform/tsql/SqliteStatement.h"
#include "platform/tsql/StatementCache.h"

namespace corvane::db {

namespace {

struct ValueFreer {
  void operator()(sqlite3_value* value) const { sqlite3_value_free(value); }
};
using ValuePtr = std::unique_ptr<sqlite3_value, ValueFreer>;

StatementPtr prepareOrRaise(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr);
  StatementPtr owned(statement);
  if (rc != SQLITE_OK) raiseSqliteError(db, rc, sql);
  return owned;
}

// Binds the variables' values, then the literals, to the parameters the statement reads.
void bindParameters(sqlite3_stmt* statement, const std::vector<ValuePtr>& values,
                    const std::vector<ProgramLiteral>& literals) {
  const int count = sqlite3_bind_parameter_count(statement);
  for (int i = 1; i <= count; ++i) {
    const auto index = static_cast<std::size_t>(i) - 1;
    if (index < values.size()) {
      if (values[index]) sqlite3_bind_value(statement, i, values[index].get());
    } else if (index - values.size() < literals.size()) {
      const ProgramLiteral& literal = literals[index - values.size()];
      if (literal.isInteger) {
        sqlite3_bind_int64(statement, i, std::strtoll(literal.value.c_str(), nullptr, 10));
      } else {
        sqlite3_bind_text(statement, i, literal.value.data(), static_cast<int>(literal.value.size()), SQLITE_STATIC);
      }
    }
  }
}

// Steps until the statement is done; rows are dropped.
void stepToEnd(sqlite3* db, sqlite3_stmt* statement, const std::string& sql) {
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) raiseSqliteError(db, rc, sql);
}

// A condition's value counts as true when it is a non-zero number.
bool isTrue(sqlite3_stmt* statement) {
  const int type = sqlite3_column_type(statement, 0);
  return (type == SQLITE_INTEGER || type == SQLITE_FLOAT) && sqlite3_column_double(statement, 0) != 0.0;
}

}  // namespace

Program::Program(std::vector<ProgramStep> steps, std::vector<ProgramVariable> variables,
                 std::vector<ProgramLiteral> literals, std::uint64_t schemasRead)
    : steps_(std::move(steps)),
      variables_(std::move(variables)),
      literals_(std::move(literals)),
      schemasRead_(schemasRead) {}

long Program::run(sqlite3* db, const RowsHandler& onRows, StatementCache* statements) const {
  std::vector<ValuePtr> values(variables_.size());
  long changes = 0;
  std::size_t next = 0;
  while (next < steps_.size()) {
    const ProgramStep& step = steps_[next++];
    if (step.kind == ProgramStep::Kind::Jump) {
      next = step.jump;
      continue;
    }
    StatementLease statement = StatementCache::lease(statements, db, step.sql);
    bindParameters(statement.get(), values, literals_);
    switch (step.kind) {
      case ProgramStep::Kind::Execute:
        if (onRows && sqlite3_column_count(statement.get()) > 0) {
          onRows(statement.get(), step);
          const int rc = statement.finish();
          if (rc != SQLITE_OK) raiseSqliteError(db, rc, step.sql);
        } else {
          stepToEnd(db, statement.get(), step.sql);
          if (step.countsChanges) changes += sqlite3_changes(db);
        }
        break;
      case ProgramStep::Kind::Assign: {
        int rc;
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
          for (std::size_t column = 0; column < step.targets.size(); ++column) {
            values[step.targets[column]].reset(
                sqlite3_value_dup(sqlite3_column_value(statement.get(), static_cast<int>(column))));
          }
        }
        if (rc != SQLITE_DONE) raiseSqliteError(db, rc, step.sql);
        break;
      }
      case ProgramStep::Kind::JumpUnless: {
        const int rc = sqlite3_step(statement.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) raiseSqliteError(db, rc, step.sql);
        if (rc != SQLITE_ROW || !isTrue(statement.get())) next = step.jump;
        break;
      }
      case ProgramStep::Kind::Jump: break;
    }
  }
  return changes;
}

bool Program::changesSchema() const {
  return std::any_of(steps_.begin(), steps_.end(), [](const ProgramStep& step) {
    const std::string verb = leadingWord(step.sql);
    return verb == "create" || verb == "drop" || verb == "alter";
  });
}

bool Program::isSingleSelect() const {
  return steps_.size() == 1 && steps_.front().kind == ProgramStep::Kind::Execute &&
         leadingWord(steps_.front().sql) == "select";
}

bool Program::isSingleReadingStatement(sqlite3* db) const {
  if (steps_.size() != 1 || steps_.front().kind != ProgramStep::Kind::Execute) return false;
  const StatementPtr statement = prepareOrRaise(db, steps_.front().sql);
  return statement && sqlite3_stmt_readonly(statement.get()) != 0 && sqlite3_column_count(statement.get()) > 0;
}

std::string Program::text() const {
  std::string out;
  for (const auto& step : steps_) {
    if (step.kind == ProgramStep::Kind::Jump) continue;
    if (!out.empty()) out += '\n';
    out += step.sql;
  }
  return out;
}

}  // namespace corvane::db
