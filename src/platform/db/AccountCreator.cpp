#include "platform/db/AccountCreator.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "platform/com/RuntimeError.h"
#include "platform/db/AccountFiles.h"
#include "platform/db/EmbeddedSchema.h"

namespace corvane::db {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDemoPassword = "demo";
constexpr const char* kDemoUsers[] = {"demo", "clerk"};

[[noreturn]] void raiseCreation(const std::string& text) {
  throw RuntimeError(errnum::kDbUnspecified, text, "AccountCreator");
}

struct DatabaseCloser {
  void operator()(sqlite3* database) const { sqlite3_close(database); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

Database openNewDatabase(const fs::path& file) {
  sqlite3* handle = nullptr;
  const int result = sqlite3_open_v2(file.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  Database database(handle);
  if (result != SQLITE_OK) {
    raiseCreation("Cannot create " + file.string() + ": " + (handle ? sqlite3_errmsg(handle) : sqlite3_errstr(result)));
  }
  return database;
}

void execute(sqlite3* database, const std::string& sql, const std::string& where) {
  char* message = nullptr;
  if (sqlite3_exec(database, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : sqlite3_errmsg(database);
    sqlite3_free(message);
    raiseCreation(where + ": " + text);
  }
}

std::string readFile(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) raiseCreation("Cannot read the schema file " + file.string());
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

// One SQL file of the schema: where it comes from (named in failures) and its text.
struct SchemaFile {
  std::string where;
  std::string text;
};

// The .sql files of a schema folder on disk in file-name order; a missing or empty folder is an
// error, since it means the schema folder is not the right one.
std::vector<SchemaFile> filesOf(const fs::path& folder) {
  std::vector<fs::path> scripts;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file() && entry.path().extension() == ".sql") {
      scripts.push_back(entry.path());
    }
  }
  if (scripts.empty()) raiseCreation("The schema folder " + folder.string() + " holds no .sql file");
  std::sort(scripts.begin(), scripts.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
  std::vector<SchemaFile> files;
  for (const fs::path& script : scripts) files.push_back({script.string(), readFile(script)});
  return files;
}

// The schema files of `folder` ("company", "demo/system", ...) in file-name order: those of the
// folder CORVANE_SCHEMA_DIR names when it is set and not empty, else those built in.
std::vector<SchemaFile> schemaFiles(const std::string& folder) {
  const char* configured = std::getenv("CORVANE_SCHEMA_DIR");
  if (configured != nullptr && *configured != '\0') return filesOf(fs::path(configured) / folder);
  std::vector<SchemaFile> files;
  for (const SchemaScript& script : embeddedSchema()) {
    if (script.folder == folder) {
      files.push_back({"schema/" + folder + "/" + std::string(script.name), std::string(script.text)});
    }
  }
  return files;
}

void runScripts(sqlite3* database, const std::string& folder) {
  for (const SchemaFile& file : schemaFiles(folder)) execute(database, file.text, file.where);
}

void storeDemoPasswords(sqlite3* database, const PasswordEncoder& encodePassword) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(database, "UPDATE UA_User SET cPassword = ?1 WHERE cUser_ID = ?2", -1, &statement, nullptr) !=
      SQLITE_OK) {
    raiseCreation(std::string("Cannot store the demo passwords: ") + sqlite3_errmsg(database));
  }
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(statement, sqlite3_finalize);
  for (const char* user : kDemoUsers) {
    const std::string stored = encodePassword(kDemoPassword);  // each with a salt of its own
    sqlite3_bind_text(statement, 1, stored.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 2, user, -1, SQLITE_STATIC);
    if (sqlite3_step(statement) != SQLITE_DONE || sqlite3_changes(database) != 1) {
      raiseCreation(std::string("Cannot store the password of the demo user ") + user);
    }
    sqlite3_reset(statement);
  }
}

// What an account is filled with: the schema only, or the demo company too (whose users'
// passwords are stored as `encodePassword` writes them).
struct Content {
  bool demo = false;
  PasswordEncoder encodePassword;
};

// Builds one database file from its schema folder (and demo folder), all in one transaction.
void buildDatabase(const fs::path& file, const std::string& folderName, const Content& content) {
  const Database database = openNewDatabase(file);
  // Every file logs ahead, as the connections expect (see Connection::open).
  execute(database.get(), "PRAGMA journal_mode=WAL", file.string());
  execute(database.get(), "BEGIN", file.string());
  runScripts(database.get(), folderName);
  if (content.demo && folderName != "tempdb") {
    runScripts(database.get(), "demo/" + folderName);
    if (folderName == "system") storeDemoPasswords(database.get(), content.encodePassword);
  }
  execute(database.get(), "COMMIT", file.string());
}

void removeQuietly(const fs::path& file) {
  std::error_code ignored;
  fs::remove(file, ignored);
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    fs::remove(fs::path(file.string() + suffix), ignored);
  }
}

void refuseExistingAccount(const AccountFiles& files) {
  for (const fs::path& file : {files.company(), files.system(), files.tempdb()}) {
    std::error_code ignored;
    if (fs::exists(file, ignored)) {
      raiseCreation("The folder " + files.folder.string() + " already holds an account (" + file.filename().string() +
                    ")");
    }
  }
}

void createAccountFiles(const fs::path& folder, const Content& content) {
  const AccountFiles files{folder};
  refuseExistingAccount(files);
  std::error_code error;
  const bool folderCreated = fs::create_directories(folder, error);
  if (error) raiseCreation("Cannot create the folder " + folder.string() + ": " + error.message());
  try {
    buildDatabase(files.company(), "company", content);
    buildDatabase(files.system(), "system", content);
    buildDatabase(files.tempdb(), "tempdb", content);
  } catch (...) {
    for (const fs::path& file : {files.company(), files.system(), files.tempdb()}) {
      removeQuietly(file);
    }
    if (folderCreated) fs::remove(folder, error);
    throw;
  }
}

}  // namespace

void createAccount(const fs::path& folder) { createAccountFiles(folder, Content{}); }

void createDemoAccount(const fs::path& folder, const PasswordEncoder& encodePassword) {
  createAccountFiles(folder, Content{true, encodePassword});
}

int runInitCommand(const std::vector<std::string>& arguments, const PasswordEncoder& encodePassword, std::ostream& out,
                   std::ostream& err) {
  if (arguments.size() != 1 || arguments.front().empty()) {
    err << "usage: corvane init <account folder>\n";
    return 2;
  }
  try {
    createDemoAccount(arguments.front(), encodePassword);
  } catch (const RuntimeError& error) {
    err << error.description() << '\n';
    return 1;
  }
  out << "Created the demo account in " << arguments.front() << '\n';
  return 0;
}

}  // namespace corvane::db
