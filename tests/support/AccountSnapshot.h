#pragma once
// Every row of every table of an account (company database, system database, tempdb), read
// straight from its files, so that a test can tell whether a request left the account as it was.
// Rows are kept as text with their value types, sorted per table; a table made or dropped counts
// as a change.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace corvane {

class AccountSnapshot {
 public:
  static AccountSnapshot of(const std::filesystem::path& accountFolder);

  bool operator==(const AccountSnapshot&) const = default;
  // The tables whose rows differ from `before`, one line each; empty when none do.
  std::string changesSince(const AccountSnapshot& before) const;

 private:
  std::map<std::string, std::vector<std::string>> tables_;  // "schema.table" -> sorted rows
};

}  // namespace corvane
