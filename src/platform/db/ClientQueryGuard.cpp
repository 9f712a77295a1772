#include "platform/db/ClientQueryGuard.h"

#include <array>
#include <string_view>

#include "platform/com/AsciiText.h"
#include "platform/db/AccountFiles.h"

namespace corvane::db {

namespace {

// The virtual machine steps between two looks at the clock.
constexpr int kProgressSteps = 1000;

struct SecretColumn {
  std::string_view database;
  std::string_view table;
  std::string_view column;
};

constexpr std::array kSecretColumns = {
    SecretColumn{kSystemSchema, "UA_User", "cPassword"},
};

bool same(const char* text, std::string_view expected) { return text != nullptr && equalsIgnoringCase(text, expected); }

// The columns a client query may not read: the users' stored passwords.
bool isSecret(const char* database, const char* table, const char* column) {
  for (const SecretColumn& secret : kSecretColumns) {
    if (same(database, secret.database) && same(table, secret.table) && same(column, secret.column)) {
      return true;
    }
  }
  return false;
}

int authorize(void* guards, int action, const char* first, const char* second, const char* database,
              const char* /*trigger*/) {
  const bool guarded = *static_cast<const int*>(guards) > 0;
  return guarded && action == SQLITE_READ && isSecret(database, first, second) ? SQLITE_DENY : SQLITE_OK;
}

}  // namespace

void installClientQueryAuthorizer(sqlite3* handle, int* guards) { sqlite3_set_authorizer(handle, authorize, guards); }

ClientQueryGuard::ClientQueryGuard(sqlite3* handle, int& guards, int timeoutSeconds)
    : handle_(handle),
      guards_(guards),
      deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds)) {
  ++guards_;
  if (timeoutSeconds > 0) {
    sqlite3_progress_handler(handle_, kProgressSteps, &ClientQueryGuard::onProgress, this);
  }
}

ClientQueryGuard::~ClientQueryGuard() {
  sqlite3_progress_handler(handle_, 0, nullptr, nullptr);
  --guards_;
}

int ClientQueryGuard::onProgress(void* guard) {
  const auto* self = static_cast<const ClientQueryGuard*>(guard);
  return std::chrono::steady_clock::now() >= self->deadline_ ? 1 : 0;  // 1 interrupts the query
}

}  // namespace corvane::db
