#pragma once
// A fresh copy of the demo account for one test, in a folder of its own that is removed after.
// The demo account is made once per test run and copied, which is much faster than making it
// anew for every test.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/RequestClass.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

class CaseAccount {
 public:
  CaseAccount();
  ~CaseAccount();
  CaseAccount(const CaseAccount&) = delete;
  CaseAccount& operator=(const CaseAccount&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  std::string connectString() const;
  // Runs a T-SQL statement on the account.
  long execute(const std::string& tsql) const;
  // The first column of the first record `tsql` answers on the account, as text; empty when
  // there is no record or the value is Null.
  std::string scalar(const std::string& tsql) const;
  // Logs a demo user (password "demo") into the account; the login date is today unless given,
  // the host the embedded one unless given (it must outlive the login).
  std::unique_ptr<EmbeddedLoginContext> logIn(const std::string& user = "demo", const std::string& locale = "zh-CN",
                                              std::optional<DateTime> date = std::nullopt, Host* host = nullptr) const;
  // Serves `request`, a whole request document, with `object` as `user` logged in as logIn
  // does; answers the document as the object leaves it. A request that is not XML fails the test.
  XmlDocument serve(RequestClass& object, std::string_view request, const std::string& user = "demo",
                    const std::string& locale = "zh-CN", std::optional<DateTime> date = std::nullopt,
                    Host* host = nullptr) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace corvane
