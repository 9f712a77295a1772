#pragma once
// What one T-SQL text became: the SQLite statements to run in order, with the little control
// flow and the variables a T-SQL batch needs.

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane::db {

class StatementCache;

// A column of a query's result as the T-SQL text gives it.
struct ResultColumn {
  std::string name;         // as the text spells it: the alias, or the column as written (`*`: the
                            // table's spelling); empty for an expression without an alias
  std::string declaration;  // the T-SQL type a cast, convert or typed function gives it, as a
                            // column declares it ("varchar(10)", "money"); empty when not known
  bool operator==(const ResultColumn&) const = default;
};

// One step of a program. Statements read the program's variables through the numbered
// parameters ?1, ?2, ... (variable i is parameter i + 1).
struct ProgramStep {
  enum class Kind {
    Execute,     // run `sql`; rows go to the handler
    Assign,      // run `sql`; each row stores its columns into `targets` (no row: no change)
    JumpUnless,  // run `sql` (one value); go to `jump` unless it is a true number
    Jump,        // go to `jump`
  };
  Kind kind = Kind::Execute;
  std::string sql;
  bool countsChanges = false;        // an INSERT, UPDATE or DELETE: its changes are counted
  std::vector<std::size_t> targets;  // Assign: variable index per result column
  std::size_t jump = 0;
  std::vector<ResultColumn> columns;  // Execute of a query: its result columns, in order
  bool operator==(const ProgramStep&) const = default;
};

// Gets a prepared statement that returns rows and the step it comes from; it steps it itself.
using RowsHandler = std::function<void(sqlite3_stmt*, const ProgramStep&)>;

// A literal a statement reads as a parameter: text, or a whole number.
struct ProgramLiteral {
  std::string value;
  bool isInteger = false;
  bool operator==(const ProgramLiteral&) const = default;
};

// A variable a batch declares; it holds NULL until a step assigns it.
struct ProgramVariable {
  std::string name;  // as written, with its @
  bool operator==(const ProgramVariable&) const = default;
};

class Program {
 public:
  Program() = default;
  // `literals` are values the statements read as parameters after the variables' (literal i is
  // parameter variables.size() + i + 1). `schemasRead`: the databases whose schema the
  // translation read, one bit each in SQLite's order (see TsqlCatalog).
  Program(std::vector<ProgramStep> steps, std::vector<ProgramVariable> variables,
          std::vector<ProgramLiteral> literals = {}, std::uint64_t schemasRead = 0);

  // Runs the steps on db in order. Each statement that returns columns is handed to onRows
  // (may be empty: then rows are stepped and dropped). Answers the records affected: the sum
  // of sqlite3_changes() of the statements that insert, update or delete (triggers not counted).
  // Raises RuntimeError (via raiseSqliteError) on any SQLite failure. Statements are taken from
  // and kept in `statements`, the connection's cache, unless it is null.
  long run(sqlite3* db, const RowsHandler& onRows, StatementCache* statements = nullptr) const;

  // True when a statement of the program makes, drops or alters a table, view, index or trigger.
  bool changesSchema() const;

  // True when the program is one statement that returns rows and that SQLite, having prepared
  // it, says writes nothing.
  bool isSingleReadingStatement(sqlite3* db) const;

  // True when the program is one SELECT statement, which cannot write (told from its text, so
  // that nothing is prepared for it).
  bool isSingleSelect() const;

  const std::vector<ProgramStep>& steps() const { return steps_; }
  const std::vector<ProgramVariable>& variables() const { return variables_; }
  std::uint64_t schemasRead() const { return schemasRead_; }
  bool operator==(const Program&) const = default;
  // The SQLite text of the statements, one a line (for diagnostics and tests).
  std::string text() const;

 private:
  std::vector<ProgramStep> steps_;
  std::vector<ProgramVariable> variables_;
  std::vector<ProgramLiteral> literals_;
  std::uint64_t schemasRead_ = 0;
};

}  // namespace corvane::db
