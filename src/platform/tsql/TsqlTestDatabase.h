#pragma once
// Test support: a small account database in memory (main, with `vqsystem` and `tempdb`
// attached) with the T-SQL functions registered, and a runner that answers the rows of a T-SQL
// text as one line of text ("a|b;c|d", NULL for a null).

#include <sqlite3.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/tsql/SqlFunctions.h"
#include "platform/tsql/TsqlTranslator.h"

namespace corvane::db {

class TsqlTestDatabase {
 public:
  TsqlTestDatabase() {
    sqlite3_open(":memory:", &db_);
    registerTsqlFunctions(db_);
    exec("ATTACH ':memory:' AS vqsystem; ATTACH ':memory:' AS tempdb;");
    exec(R"sql(
      CREATE TABLE KX_OperationType (
        intType int NOT NULL,
        strCode nvarchar(20) COLLATE NOCASE NOT NULL,
        strName nvarchar(50) COLLATE NOCASE,
        strShowModel nvarchar(20) COLLATE NOCASE,
        ts int,
        CONSTRAINT PK_KX_OPERATIONTYPE PRIMARY KEY (strCode));
      CREATE UNIQUE INDEX IX_KX_OperationType ON KX_OperationType (strName);
      CREATE TABLE KX_LoanVouch (
        AutoID INTEGER PRIMARY KEY AUTOINCREMENT,
        GUID nvarchar(38) COLLATE NOCASE NOT NULL,
        strTypeCode nvarchar(20) COLLATE NOCASE,
        strVouchID nvarchar(30) COLLATE NOCASE,
        dtLoanDate datetime,
        dblMoney money,
        dblRate decimal(18, 2),
        fltRate float,
        blnBegin bit,
        CONSTRAINT UQ_KX_LoanVouch_strVouchID UNIQUE (strVouchID));
      CREATE TABLE KX_IOItem (strCode varchar(20) COLLATE NOCASE, strName nvarchar(50) COLLATE NOCASE,
        strTypeCode nvarchar(20) COLLATE NOCASE, ts int);
      CREATE TABLE Amounts (grp int, amount money);
      CREATE TABLE Log (what text);
      CREATE VIEW vwKXLoan AS SELECT AutoID, strVouchID, dtLoanDate, dblMoney, dblRate FROM KX_LoanVouch;
      CREATE TRIGGER KX_IOItem_ts AFTER UPDATE ON KX_IOItem BEGIN INSERT INTO Log VALUES ('touched'); END;
      CREATE TRIGGER FK_KX_LoanVouch_KX_OperationType BEFORE DELETE ON KX_OperationType
        WHEN EXISTS (SELECT 1 FROM KX_LoanVouch WHERE strTypeCode = old.strCode)
        BEGIN SELECT RAISE(ABORT, 'The DELETE statement conflicted with the REFERENCE constraint "FK_KX_LoanVouch_KX_OperationType". The conflict occurred in database "company", table "dbo.KX_LoanVouch", column ''strTypeCode''.'); END;
      CREATE TABLE vqsystem.UA_Period (cAcc_ID varchar(3) COLLATE NOCASE, iYear int, iID int,
        dBegin datetime, dEnd datetime);
      CREATE TABLE vqsystem.UA_User (cUser_ID nvarchar(20) COLLATE NOCASE, cUser_Name nvarchar(40) COLLATE NOCASE);
      CREATE TABLE tempdb.vqtmpA (ccode varchar(50) COLLATE Chinese_PRC_CI_AS NOT NULL, dtloandate datetime,
        dbllack decimal(18, 2), autoid INTEGER PRIMARY KEY AUTOINCREMENT);

      INSERT INTO KX_OperationType VALUES (1, '101', 'Loan', '5', 1), (2, '201', 'Expense', '', 2),
        (2, '202', 'Travel', NULL, 3);
      INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, dblMoney, dblRate, fltRate, blnBegin)
        VALUES ('{A1}', '101', 'L001', '2005-08-02 00:00:00', 100, 100.0, 1.0, 1),
               ('{A2}', '101', 'L002', '2005-10-01 00:00:00', 0.1, 33.35, 1.5, 0),
               ('{A3}', '201', 'L003', '2005-09-15 14:30:00', 0.2, NULL, NULL, NULL);
      INSERT INTO KX_IOItem VALUES ('1', 'Income', '101', 1), ('101', 'Salary', '101', 1), ('2', 'Cost', '201', 1);
      INSERT INTO Amounts VALUES (1, 0.1), (1, 0.2), (1, -0.3), (2, 100), (2, 250), (3, 1.5), (3, 2.25);
      INSERT INTO vqsystem.UA_Period VALUES ('001', 2005, 1, '2005-01-01 00:00:00', '2005-01-31 00:00:00'),
        ('001', 2005, 2, '2005-02-01 00:00:00', '2005-02-28 00:00:00'), ('002', 2005, 1, '2005-01-01 00:00:00',
        '2005-01-31 00:00:00');
      INSERT INTO vqsystem.UA_User VALUES ('demo', 'Demo User');
      INSERT INTO tempdb.vqtmpA (ccode, dtloandate, dbllack) VALUES ('A', '2005-08-02 00:00:00', 100),
        ('b', '2005-08-03 00:00:00', 50.5);
    )sql");
  }
  ~TsqlTestDatabase() { sqlite3_close(db_); }
  TsqlTestDatabase(const TsqlTestDatabase&) = delete;
  TsqlTestDatabase& operator=(const TsqlTestDatabase&) = delete;

  sqlite3* db() const { return db_; }

  void exec(const char* sql) const {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string text = error ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(text);
    }
  }

  // Runs SQLite's own sql untranslated; answers its rows.
  std::string plainRows(const char* sql) const {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
      sqlite3_finalize(statement);
      throw std::runtime_error(sqlite3_errmsg(db_));
    }
    std::string out;
    while (sqlite3_step(statement) == SQLITE_ROW) appendRow(out, statement);
    sqlite3_finalize(statement);
    return out;
  }

  // Translates and runs tsql; answers its rows, and the records affected in `affected`.
  std::string rows(std::string_view tsql, long* affected = nullptr) const {
    std::string out;
    const auto program = TsqlTranslator::shared().translate(db_, tsql);
    const long count = program->run(db_, [&](sqlite3_stmt* statement, const ProgramStep&) {
      while (sqlite3_step(statement) == SQLITE_ROW) appendRow(out, statement);
    });
    if (affected) *affected = count;
    return out;
  }

  static void appendRow(std::string& out, sqlite3_stmt* statement) {
    if (!out.empty()) out += ';';
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      if (i > 0) out += '|';
      out += valueText(statement, i);
    }
  }

  static std::string valueText(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
      case SQLITE_NULL: return "NULL";
      case SQLITE_FLOAT: {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.15g", sqlite3_column_double(statement, column));
        return buffer;
      }
      default: return reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    }
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace corvane::db
