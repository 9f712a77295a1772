#pragma once
// The embedded login object: a user logged into one account folder. The user and password are
// checked against the account's system database when the object is made; function rights are
// taken and released for real in the system database's table of taken rights (`UA_Task`), one
// row for all the logins of the process that hold a right at once (see TakenRights); the
// module lock is read from the locks an administrator sets (`UA_ModuleLock`).

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/LoginContext.h"
#include "host/TakenRights.h"
#include "platform/db/ConnectionPool.h"

namespace corvane {

struct LoginOptions {
  std::filesystem::path account;  // the account folder
  std::string user;
  std::string password;
  std::string locale = "zh-CN";
  std::optional<std::int16_t> year;  // the account's current year when not given
  std::optional<DateTime> date;      // today when not given
  Host* host = nullptr;              // the embedded host when not given; outlives the login
};

class EmbeddedLoginContext final : public LoginContext {
 public:
  // Logs the user in. Raises RuntimeError 9000 when the account cannot be opened, the user is
  // unknown or the password is wrong (alike, so that user ids cannot be probed).
  static std::unique_ptr<EmbeddedLoginContext> logIn(const LoginOptions& options);
  ~EmbeddedLoginContext() override;

  std::string MachineName() const override;
  void ResolveConnectString(std::string& key) override;
  std::string HostContextName() const override;
  std::string LastErrorText() const override { return lastErrorText_; }
  std::string PubsInitText() const override { return {}; }
  std::string AccountId() const override { return accountId_; }
  std::string AccountName() const override { return accountName_; }
  DateTime LoginDate() const override { return loginDate_; }
  std::string LoginYear() const override { return std::to_string(year_); }
  std::int16_t LoginPeriod() const override { return period_; }
  std::string UserId() const override { return userId_; }
  std::string UserName() const override { return userName_; }
  std::string ConnectString() const override;
  bool IsAdmin() const override { return isAdmin_; }
  void ResetTaskState() override { lastErrorText_.clear(); }
  void RequestTask(const std::string& code, bool take, std::int16_t year, bool& ok) override;
  void QueryLock(std::int32_t kind, const std::string& module, std::int16_t year, bool& locked,
                 Variant& second) override;
  void EndConnectLookup() override {}
  std::string ConnectKeySuffix() const override;
  bool IsGroupUser() const override { return isGroupUser_; }
  std::string SystemId() const override { return "KX"; }
  std::string LocaleId() const override { return locale_; }
  Host& host() const override;

  // The key text that ResolveConnectString recognises, before ConnectKeySuffix.
  static constexpr std::string_view kConnectKeyText = "Corvane.SystemDatabase:";

 private:
  explicit EmbeddedLoginContext(const LoginOptions& options);
  db::Connection& systemConnection();
  void checkPassword(const std::string& password);
  void readAccount(std::optional<std::int16_t> year);
  bool holdsRight(const std::string& code, std::int16_t year);
  bool takeRight(const std::string& code, std::int16_t year);
  bool releaseRight(const std::string& code, std::int16_t year);
  std::string refusalText(const std::string& code) const;

  std::filesystem::path account_;
  std::string systemFiles_;             // the system database's device and inode, for TakenRights
  std::vector<TakenRights::Key> held_;  // the rights taken and not yet released
  db::PooledConnection connection_;     // the system database's, held for the login's life
  std::string locale_;
  std::string userId_;
  std::string userName_;
  std::string accountId_;
  std::string accountName_;
  std::int16_t year_ = 0;
  std::int16_t period_ = 1;
  DateTime loginDate_;
  bool isAdmin_ = false;
  bool isGroupUser_ = false;
  std::string lastErrorText_;
  Host* host_;
};

}  // namespace corvane
