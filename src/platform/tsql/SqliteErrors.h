#pragma once
// Turns an SQLite failure into the RuntimeError the business code expects: the record-set
// library's error numbers and SQL Server's wording, naming constraint and table.

#include <sqlite3.h>

#include <string_view>

#include "platform/tsql/ErrorTexts.h"

namespace corvane::db {

// The extended result codes with which the T-SQL functions fail on an arithmetic overflow or a
// failed conversion: SQLITE_ERROR with codes of this system's own, far above SQLite's.
inline constexpr int kOverflowResult = SQLITE_ERROR | (0xC1 << 8);
inline constexpr int kConversionResult = SQLITE_ERROR | (0xC2 << 8);

// Raises RuntimeError for the failure rc of db (sqlite3_errmsg) while running sql:
// constraint violations 0x80040E2F, conversion errors 0x80040E07, arithmetic overflow
// 0x80040E57, busy, locked or stopped at its time limit 0x80040E31 kTimeoutText, a refused read
// 0x80040E09 kPermissionText, a read-only or full database 0x80040E14 kReadOnlyText or
// kDiskFullText, a statement nested deeper than SQLite allows 0x80040E14 kTooDeepText, a file
// that cannot be opened 0x80004005 kCannotOpenText, anything else 0x80040E14.
[[noreturn]] void raiseSqliteError(sqlite3* db, int rc, std::string_view sql);

}  // namespace corvane::db
