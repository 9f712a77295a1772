#pragma once
// One account is one folder holding three SQLite files: the company database (opened as main),
// the host's system database (attached as `vqsystem`) and the account's shared `tempdb`
// (attached as `tempdb`, so that temp tables made by one connection are read by the next).

#include <filesystem>

namespace corvane::db {

struct AccountFiles {
  std::filesystem::path folder;

  std::filesystem::path company() const { return folder / "company.db"; }
  std::filesystem::path system() const { return folder / "system.db"; }
  std::filesystem::path tempdb() const { return folder / "tempdb.db"; }
};

inline constexpr const char* kSystemSchema = "vqsystem";
inline constexpr const char* kTempSchema = "tempdb";

}  // namespace corvane::db
