#pragma once
// The functions and collations that translated T-SQL and the schema rely on, registered on a
// connection: T-SQL conversions (CAST/CONVERT), DATEDIFF, LEN, NEWID, string-or-number `+`,
// checked division, an exact SUM, and the case-insensitive collation Chinese_PRC_CI_AS.

#include <sqlite3.h>

namespace corvane::db {

// Registers every function and collation the translated SQL and the schema use.
void registerTsqlFunctions(sqlite3* db);

}  // namespace corvane::db
