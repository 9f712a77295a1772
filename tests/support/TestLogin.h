#pragma once
// For the tests of row rights, temp tables and cheques: a small login object for a user of the
// demo account, without the embedded login's checks.

#include <string>

#include "host/LoginContext.h"
#include "support/CaseAccount.h"

namespace corvane {

// A logged-in user as the tests set it up; rights and locks are not asked.
struct TestLogin final : LoginContext {
  std::string connect;
  std::string userId;
  std::string userName;
  bool admin = false;
  std::string locale = "en-us";
  Host* testHost = nullptr;  // the embedded host when null

  std::string MachineName() const override { return "TESTPC"; }
  void ResolveConnectString(std::string& key) override { key = connect; }
  std::string HostContextName() const override { return "test"; }
  std::string LastErrorText() const override { return ""; }
  std::string PubsInitText() const override { return "pubs"; }
  std::string AccountId() const override { return "001"; }
  std::string AccountName() const override { return "demo"; }
  DateTime LoginDate() const override { return {2026, 3, 5}; }
  std::string LoginYear() const override { return "2026"; }
  std::int16_t LoginPeriod() const override { return 3; }
  std::string UserId() const override { return userId; }
  std::string UserName() const override { return userName; }
  std::string ConnectString() const override { return connect; }
  bool IsAdmin() const override { return admin; }
  void ResetTaskState() override {}
  void RequestTask(const std::string&, bool, std::int16_t, bool& ok) override { ok = true; }
  void QueryLock(std::int32_t, const std::string&, std::int16_t, bool& locked, Variant&) override { locked = false; }
  void EndConnectLookup() override {}
  std::string ConnectKeySuffix() const override { return ""; }
  bool IsGroupUser() const override { return false; }
  std::string SystemId() const override { return "KX"; }
  std::string LocaleId() const override { return locale; }
  Host& host() const override { return testHost != nullptr ? *testHost : LoginContext::host(); }
};

inline TestLogin clerkLogin(const CaseAccount& account) {
  TestLogin login;
  login.connect = account.connectString();
  login.userId = "clerk";
  login.userName = "李晓燕";
  return login;
}

inline TestLogin adminLogin(const CaseAccount& account) {
  TestLogin login;
  login.connect = account.connectString();
  login.userId = "demo";
  login.userName = "周建国";
  login.admin = true;
  return login;
}

}  // namespace corvane
