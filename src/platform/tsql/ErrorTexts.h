#pragma once
// The descriptions of the database failures that this system words itself (see
// raiseSqliteError, and the translator's limit on nesting); the error replies show them in the
// request's language.

#include <string_view>

namespace corvane::db {

inline constexpr std::string_view kTimeoutText = "Query timeout expired";
inline constexpr std::string_view kReadOnlyText = "The account database is read-only.";
inline constexpr std::string_view kDiskFullText = "The account database or its disk is full.";
inline constexpr std::string_view kPermissionText = "The query reads data that it may not read.";
// SQL Server's own text for a statement nested deeper than the translator or SQLite can read.
inline constexpr std::string_view kTooDeepText =
    "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into smaller queries.";
inline constexpr std::string_view kCannotOpenText =
    "The account database cannot be opened: its folder is missing, read-only or not accessible.";

}  // namespace corvane::db
