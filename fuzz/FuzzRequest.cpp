// Fuzzing target for the request path: serves the input as a request document with
// `Corvane.CPubMsg`, through the request frame, for the administrator of a demo account made
// once in a folder of its own. Error replies are expected answers; a crash, a hang, a leak or
// an exception escaping the frame is a finding.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/ClassTable.h"
#include "host/EmbeddedLoginContext.h"
#include "host/PasswordCodec.h"
#include "platform/db/AccountCreator.h"
#include "platform/xml/XmlDocument.h"

namespace {

namespace fs = std::filesystem;

// The demo account and its administrator's login, for the whole run.
struct FuzzAccount {
  fs::path folder = fs::temp_directory_path() / ("corvane-fuzz-" + std::to_string(::getpid()));
  std::unique_ptr<corvane::EmbeddedLoginContext> login;

  FuzzAccount() {
    fs::remove_all(folder);
    corvane::db::createDemoAccount(folder, [](const std::string& plain) {
      return corvane::EmbeddedPasswordCodec(corvane::EmbeddedPasswordCodec::Cost::Minimal).Encode(plain);
    });
    corvane::LoginOptions options;
    options.account = folder;
    options.user = "demo";
    options.password = "demo";
    login = corvane::EmbeddedLoginContext::logIn(options);
  }
  ~FuzzAccount() {
    login.reset();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  FuzzAccount(const FuzzAccount&) = delete;
  FuzzAccount& operator=(const FuzzAccount&) = delete;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzAccount account;
  corvane::XmlDocument document;
  if (!document.loadXML(std::string(reinterpret_cast<const char*>(data), size))) return 0;
  corvane::StandardClasses().create("Corvane.CPubMsg")->myHandle(account.login.get(), document);
  return 0;
}
