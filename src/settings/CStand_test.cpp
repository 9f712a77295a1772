#include "settings/CStand.h"

#include <gtest/gtest.h>

#include "support/StandTestAccount.h"

namespace corvane {
namespace {

// Func names are matched exactly: a name in another case, or an unknown one, runs nothing and
// adds no reply, and the walk goes on.
TEST(CStand, FuncNamesAreMatchedExactly) {
  struct Case {
    const char* name;
    bool answered;
  };
  const Case cases[] = {
      {"getstand", true},  {"GetStand", false},  {"getStand", false},   {"getset", true},
      {"geteffect", true}, {"GetEffect", false}, {"nosuchfunc", false},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    const std::string reply = stand.serve(std::string("<req><func name='") + c.name +
                                          "'><in><x GUID='{5A7D0002-0000-4000-8000-000000000002}'/></in></func>"
                                          "<func name='getdepart'><in><x GUID=''/></in></func></req>");
    EXPECT_EQ(
        reply.find(std::string("<func name=\"") + c.name +
                   "\"><in><x GUID=\"{5A7D0002-0000-4000-8000-000000000002}\"/></in><out><Rows>") != std::string::npos,
        c.answered)
        << c.name << "\n"
        << reply;
    EXPECT_NE(reply.find("<row cDepCode=\"04\""), std::string::npos) << c.name << ": the walk goes on\n" << reply;
  }
}

// The clerk lacks the right of the standards: the document becomes the refusal and nothing runs.
TEST(CStand, RightIsTakenOncePerRequest) {
  struct Case {
    const char* user;
    bool served;
  };
  const Case cases[] = {{"demo", true}, {"clerk", false}};
  for (const Case& c : cases) {
    StandTestAccount stand;
    stand.account().execute("DELETE FROM KX_StandSet WHERE GUIDStand = '{5A7D0002-0000-4000-8000-000000000002}'");
    const std::string reply = stand.serve(
        "<req><func name='saveeffect'><in><x GUID='{5A7D0002-0000-4000-8000-000000000002}'/></in></func></req>",
        c.user);
    EXPECT_EQ(textAt(reply, "/error/id") == "Corvane:MSG:ApplyTask:9000", !c.served) << c.user << "\n" << reply;
    EXPECT_EQ(
        stand.value("SELECT count(*) FROM KX_EffectItem WHERE GUIDStand = '{5A7D0002-0000-4000-8000-000000000002}'"),
        c.served ? "0" : "1")
        << c.user;
  }
}

}  // namespace
}  // namespace corvane
