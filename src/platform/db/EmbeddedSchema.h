#pragma once
// The SQL files of the source tree's schema folder, built into the program (the build makes
// their source from schema/**/*.sql), so that an account is made without the source tree.

#include <span>
#include <string_view>

namespace corvane::db {

struct SchemaScript {
  std::string_view folder;  // under schema/: "company", "system", "tempdb", "demo/company", ...
  std::string_view name;    // the file name, "010_row_version.sql"
  std::string_view text;
};

// Every file, in the order of its folder, then of its file name.
std::span<const SchemaScript> embeddedSchema();

}  // namespace corvane::db
