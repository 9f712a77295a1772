#pragma once
// A fresh copy of the demo account for one test, in a folder of its own that is removed after.
// The demo account is made once per test run and copied, which is much faster than making it
// anew for every test.

#include <filesystem>
#include <string>

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

 private:
  std::filesystem::path folder_;
};

}  // namespace corvane
