#pragma once
// Creating an account: the three database files of an account folder (see AccountFiles.h), made
// from the SQL files of the schema folder:
//   company/*.sql  the company database        system/*.sql  the host's system database
//   tempdb/*.sql   the account's shared tempdb
// each folder's files run in file-name order on their own database, in one transaction. The demo
// account adds demo/company/*.sql and demo/system/*.sql the same way. The schema folder is the
// one built into the program (EmbeddedSchema.h); the environment variable CORVANE_SCHEMA_DIR,
// when it is set and not empty, names a folder of the same layout to read instead.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace corvane::db {

// Creates the account files in `folder`, creating the folder when it is missing. Raises
// RuntimeError when the folder already holds one of the files, or when a schema file is missing
// or fails; nothing that this call created is then left behind.
void createAccount(const std::filesystem::path& folder);

// The stored form of a user's password, as the host's password codec writes it.
using PasswordEncoder = std::function<std::string(const std::string& plain)>;

// As createAccount, then fills the account with the demo company: account 001 for 2026 with its
// periods, departments, persons, currencies and rates, templates, operation types, items and
// the users `demo` (administrator) and `clerk`, both with the password "demo" stored as
// `encodePassword` writes it (called once per user, so that each gets a salt of its own).
void createDemoAccount(const std::filesystem::path& folder, const PasswordEncoder& encodePassword);

// The command `corvane init <folder>`: creates the demo account in the folder. `arguments` are
// those after "init". Writes one line to `out` on success or the reason to `err`, and answers
// the exit status: 0 created, 1 failed, 2 wrong arguments.
int runInitCommand(const std::vector<std::string>& arguments, const PasswordEncoder& encodePassword, std::ostream& out,
                   std::ostream& err);

}  // namespace corvane::db
