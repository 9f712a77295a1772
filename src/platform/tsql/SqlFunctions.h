#pragma once
// The functions and collations that translated T-SQL and the schema rely on, registered on a
// connection: T-SQL conversions (CAST/CONVERT), DATEDIFF, LEN, NEWID, string-or-number `+`,
// checked division, an exact SUM, and the case-insensitive collation Chinese_PRC_CI_AS.

#include <sqlite3.h>

#include <string_view>

namespace corvane::db {

// Registers every function and collation the translated SQL and the schema use.
void registerTsqlFunctions(sqlite3* db);

// Object ids of the catalog stand-ins (sysobjects, object_id): the rowid in the database's
// sqlite_master times kCatalogDatabases plus the database's index (main 0, vqsystem 1,
// tempdb 2; -1 for any other name).
inline constexpr int kCatalogDatabases = 4;
int catalogDatabaseIndex(std::string_view database);

}  // namespace corvane::db
