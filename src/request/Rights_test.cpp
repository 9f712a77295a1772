#include "request/Rights.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/xml/XmlDocument.h"
#include "request/Locale.h"

namespace corvane {
namespace {

// A login object whose answers are set by the test; it records the rights asked for.
struct ScriptedLogin final : LoginContext {
  bool grant = true;  // RequestTask answers ok
  bool raiseOnRequest = false;
  std::string reason;  // LastErrorText after a refusal
  bool locked = false;
  std::vector<std::string> calls;

  std::string MachineName() const override { return "m"; }
  void ResolveConnectString(std::string&) override {}
  std::string HostContextName() const override { return "h"; }
  std::string LastErrorText() const override { return reason; }
  std::string PubsInitText() const override { return {}; }
  std::string AccountId() const override { return "001"; }
  std::string AccountName() const override { return "a"; }
  DateTime LoginDate() const override { return {}; }
  std::string LoginYear() const override { return "2026"; }
  std::int16_t LoginPeriod() const override { return 1; }
  std::string UserId() const override { return "u"; }
  std::string UserName() const override { return "u"; }
  std::string ConnectString() const override { return {}; }
  bool IsAdmin() const override { return false; }
  void ResetTaskState() override { calls.push_back("reset"); }
  void RequestTask(const std::string& code, bool take, std::int16_t year, bool& ok) override {
    calls.push_back((take ? "take " : "release ") + code + " " + std::to_string(year));
    if (raiseOnRequest) throw RuntimeError(-5, "host <down>");
    ok = grant;
  }
  void QueryLock(std::int32_t kind, const std::string& module, std::int16_t year, bool& isLocked,
                 Variant& second) override {
    calls.push_back("lock " + std::to_string(kind) + " " + module + " " + std::to_string(year));
    isLocked = locked;
    second = Variant("ignored");
  }
  void EndConnectLookup() override {}
  std::string ConnectKeySuffix() const override { return {}; }
  bool IsGroupUser() const override { return false; }
  std::string SystemId() const override { return "KX"; }
  std::string LocaleId() const override { return "zh-CN"; }
};

std::string joined(const std::vector<std::string>& calls) {
  std::string text;
  for (const std::string& call : calls) text += (text.empty() ? "" : "; ") + call;
  return text;
}

TEST(ApplyTask, TakesTheRightOrWritesTheRefusalAndReleasesAgain) {
  gLocaleID = "zh-CN";
  struct Case {
    const char* title;
    bool grant;
    bool raise;
    const char* reason;
    bool result;
    const char* reply;  // the refusal written into the document
    const char* calls;
  } const cases[] = {
      {"granted", true, false, "", true, "", "reset; take KX0102 2026"},
      {"refused with a reason", false, false, "no <way>", false,
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><error><id>Corvane:MSG:ApplyTask:9000</id>"
       "<text>no &lt;way&gt;</text></error>",
       "reset; take KX0102 2026; release KX0102 2026; reset"},
      {"refused without a reason", false, false, "", false,
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><error><id>Corvane:MSG:ApplyTask:9000</id>"
       "<text>您没有此功能的权限，或该功能正被他人使用。</text></error>",
       "reset; take KX0102 2026; release KX0102 2026; reset"},
      {"the host fails, and fails again on the release", false, true, "", false,
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><error><id>Corvane:MSG:ApplyTask:-5</id>"
       "<text>host &lt;down&gt;</text></error>",
       "reset; take KX0102 2026; release KX0102 2026"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    ScriptedLogin login;
    login.grant = c.grant;
    login.raiseOnRequest = c.raise;
    login.reason = c.reason;
    XmlDocument reply;
    EXPECT_EQ(c.result, ApplyTask(&login, "KX0102", reply));
    EXPECT_EQ(c.reply, reply.xml());
    EXPECT_EQ(c.calls, joined(login.calls));
  }
}

TEST(ApplyTask, WithoutLoginObjectWritesTheRefusal) {
  gLocaleID = "en-us";
  XmlDocument reply;
  EXPECT_FALSE(ApplyTask(nullptr, "KX0102", reply));
  EXPECT_EQ("Corvane:MSG:ApplyTask:9000", reply.selectSingleNode("/error/id").text());
}

TEST(FreeTask, AnswersWhetherTheRightWasReleasedAndNeverRaises) {
  ScriptedLogin released;
  EXPECT_TRUE(FreeTask(&released, "KX0102"));
  EXPECT_EQ("reset; release KX0102 2026", joined(released.calls));

  ScriptedLogin neverTaken;
  neverTaken.grant = false;
  EXPECT_FALSE(FreeTask(&neverTaken, "KX0102"));
  EXPECT_EQ("reset; release KX0102 2026; reset", joined(neverTaken.calls));

  ScriptedLogin failing;
  failing.raiseOnRequest = true;
  EXPECT_FALSE(FreeTask(&failing, "KX0102"));
  EXPECT_FALSE(FreeTask(nullptr, "KX0102"));
}

TEST(CheckSysLock, RaisesWhenTheModuleIsLockedAndIgnoresTheSecondValue) {
  gLocaleID = "zh-CN";
  ScriptedLogin open;
  EXPECT_NO_THROW(CheckSysLock(open));
  EXPECT_EQ("lock 204 KX 2026", joined(open.calls));

  ScriptedLogin locked;
  locked.locked = true;
  try {
    CheckSysLock(locked);
    FAIL() << "a locked module must raise";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(errnum::kBusiness, error.number());
    EXPECT_FALSE(error.description().empty());
  }
}

}  // namespace
}  // namespace corvane
