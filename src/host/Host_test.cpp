#include "host/Host.h"

#include <gtest/gtest.h>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/RuntimeError.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

// Takes "letmein" for every stored password.
class OpenCodec final : public PasswordCodec {
 public:
  std::string Encode(const std::string& plain) const override { return plain; }
  bool Matches(const std::string&, const std::string& typed) const override { return typed == "letmein"; }
};

class OpenDoorHost final : public HostWrapper {
 public:
  using HostWrapper::HostWrapper;
  std::unique_ptr<PasswordCodec> passwordCodec() override { return std::make_unique<OpenCodec>(); }
};

TEST(Host, TheLoginObjectReachesTheHostItWasGiven) {
  const CaseAccount account;
  OpenDoorHost host(EmbeddedHost::instance());
  LoginOptions options;
  options.account = account.folder();
  options.user = "demo";
  options.password = "letmein";
  EXPECT_THROW(EmbeddedLoginContext::logIn(options), RuntimeError);  // the embedded host
  options.host = &host;
  const auto login = EmbeddedLoginContext::logIn(options);
  EXPECT_EQ(&login->host(), &host);
}

TEST(Host, AWrapperForwardsWhatItDoesNotReplace) {
  OpenDoorHost host(EmbeddedHost::instance());
  const EmbeddedPasswordCodec embedded;
  EXPECT_EQ(host.passwordCodec()->Encode("demo"), "demo");
  const std::string forwarded = HostWrapper(host.target()).passwordCodec()->Encode("demo");
  EXPECT_NE(forwarded, "demo");
  EXPECT_TRUE(embedded.Matches(forwarded, "demo"));
  EXPECT_EQ(host.messageCatalog()->Messages()->GetText("Z7.Corvane.0002", "zh-CN"),
            EmbeddedHost::instance().messageCatalog()->Messages()->GetText("Z7.Corvane.0002", "zh-CN"));
}

}  // namespace
}  // namespace corvane
