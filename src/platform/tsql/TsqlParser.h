#pragma once
// The translating parser behind TsqlTranslator: reads one T-SQL text (a statement or a batch)
// and writes the SQLite program with the same meaning.

#include <sqlite3.h>

#include <string_view>

#include "platform/tsql/Program.h"

namespace corvane::db {

class CatalogMemo;

// Raises RuntimeError kDbStatement, naming what it could not read, on text it cannot translate.
// `memo`, when given, holds the columns earlier translations on the connection have read.
Program translateTsql(sqlite3* db, std::string_view tsql, CatalogMemo* memo = nullptr);

}  // namespace corvane::db
