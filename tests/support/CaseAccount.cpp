#include "support/CaseAccount.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "host/PasswordCodec.h"
#include "platform/db/AccountCreator.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "support/QueryText.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

// The folder of this test process's accounts, removed when the process ends.
struct RunFolder {
  fs::path path = fs::temp_directory_path() / ("corvane-tests-" + std::to_string(::getpid()));
  ~RunFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

const fs::path& runFolder() {
  static const RunFolder folder;
  return folder.path;
}

const fs::path& demoTemplate() {
  static std::once_flag made;
  static const fs::path folder = runFolder() / "demo-template";
  std::call_once(made, [] {
    fs::remove_all(folder);
    db::createDemoAccount(folder, [](const std::string& plain) {
      return EmbeddedPasswordCodec(EmbeddedPasswordCodec::Cost::Minimal).Encode(plain);
    });
  });
  return folder;
}

}  // namespace

CaseAccount::CaseAccount() {
  static std::atomic<int> counter{0};
  const fs::path& source = demoTemplate();
  folder_ = runFolder() / ("case-" + std::to_string(counter++));
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  for (const auto& entry : fs::directory_iterator(source)) {
    fs::copy_file(entry.path(), folder_ / entry.path().filename());
  }
}

CaseAccount::~CaseAccount() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string CaseAccount::connectString() const { return "Data Source=" + db::quoteLiteral(folder_.string()); }

std::unique_ptr<EmbeddedLoginContext> CaseAccount::logIn(const std::string& user, const std::string& locale,
                                                         std::optional<DateTime> date, Host* host) const {
  LoginOptions options;
  options.account = folder_;
  options.user = user;
  options.password = "demo";
  options.locale = locale;
  options.date = date;
  options.host = host;
  return EmbeddedLoginContext::logIn(options);
}

long CaseAccount::execute(const std::string& tsql) const {
  db::Connection connection;
  connection.open(connectString());
  return connection.execute(tsql);
}

std::string CaseAccount::scalar(const std::string& tsql) const {
  db::Connection connection;
  connection.open(connectString());
  return QueryScalar(connection, tsql);
}

XmlDocument CaseAccount::serve(RequestClass& object, std::string_view request, const std::string& user,
                               const std::string& locale, std::optional<DateTime> date, Host* host) const {
  const auto login = logIn(user, locale, date, host);
  XmlDocument document;
  if (!document.loadXML(request)) ADD_FAILURE() << "the request is not XML: " << request;
  object.myHandle(login.get(), document);
  return document;
}

}  // namespace corvane
