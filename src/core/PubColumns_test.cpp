#include "core/PubColumns.h"

#include <gtest/gtest.h>

#include "request/Messages.h"
#include "support/PubTestAccount.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

const std::string kDefaults =
    "<columns key='KX0301'><column name='strVouchID' caption='单据号' width='90'/>"
    "<column name='dtLoanDate' caption='日期' width='80'/></columns>";
const std::string kOwn = "<columns key='KX0301'><column name='dtLoanDate' caption='日期' width='120'/></columns>";

PubAnswer get(PubTestAccount& pub, const std::string& in) {
  return pub.serve([](FuncCall& call) { return RptColumnGet(call); },
                   "<func name='rptcolumnget'><in>" + in + "</in></func>");
}

PubAnswer set(PubTestAccount& pub, const std::string& in) {
  return pub.serve([](FuncCall& call) { return RptColumnSet(call); },
                   "<func name='rptcolumnset'><in>" + in + "</in></func>");
}

TEST(RptColumns, SavedSettingsAreReadBackAndTheDefaultsStay) {
  PubTestAccount pub("clerk");
  const PubAnswer before = get(pub, "<key>KX0301</key>");
  ASSERT_TRUE(before.ok) << before.reply;
  EXPECT_EQ(canonical(kDefaults), before.reply);

  const PubAnswer saved = set(pub, kOwn);
  EXPECT_TRUE(saved.ok);
  EXPECT_EQ("<success/>", saved.reply);

  struct Read {
    const char* in;
    const std::string& expected;
  };
  const Read reads[] = {
      {"<key>KX0301</key>", kOwn},  // no mode: mode 1, the user's own
      {"<key>KX0301</key><mode></mode>", kOwn},
      {"<key>KX0301</key><mode>1</mode>", kOwn},
      {"<key>KX0301</key><mode>255</mode>", kOwn},
      {"<key>KX0301</key><mode>0</mode>", kDefaults},
  };
  for (const Read& read : reads) {
    const PubAnswer answer = get(pub, read.in);
    EXPECT_TRUE(answer.ok) << read.in;
    EXPECT_EQ(canonical(read.expected), answer.reply) << read.in;
  }
  PubTestAccount other("demo");
  EXPECT_EQ(canonical(kDefaults), get(other, "<key>KX0301</key>").reply);
}

TEST(RptColumns, FailuresOfGet) {
  PubTestAccount pub;
  struct Failure {
    const char* in;
    const char* id;
  };
  const Failure failures[] = {
      {"<key>nothing</key>", "Corvane:CPubMsg:RptColumnGet:0"},
      {"<key>KX0301</key><mode>256</mode>", "Corvane:CPubMsg:RptColumnGet:6"},
      {"<key>KX0301</key><mode>-1</mode>", "Corvane:CPubMsg:RptColumnGet:6"},
      {"<key>KX0301</key><mode>one</mode>", "Corvane:CPubMsg:RptColumnGet:13"},
      {"", "Corvane:CPubMsg:RptColumnGet:91"},
  };
  for (const Failure& f : failures) {
    const PubAnswer answer = get(pub, f.in);
    EXPECT_FALSE(answer.ok) << f.in;
    EXPECT_EQ(f.id, answer.at("id")) << f.in;
  }
  EXPECT_EQ(GetResString("Z7.Corvane.0090"), get(pub, "<key>nothing</key>").at("text"));
}

TEST(RptColumns, FailuresOfSetStoreNothing) {
  PubTestAccount pub("clerk");
  struct Failure {
    const char* in;
    const char* id;
  };
  const Failure failures[] = {
      {"<columns/>", "Corvane:CPubMsg:RptColumnSet:0"},
      {"<other key='KX0301'/>", "Corvane:CPubMsg:RptColumnSet:0"},
      {"", "Corvane:CPubMsg:RptColumnSet:91"},
  };
  for (const Failure& f : failures) {
    const PubAnswer answer = set(pub, f.in);
    EXPECT_FALSE(answer.ok) << f.in;
    EXPECT_EQ(f.id, answer.at("id")) << f.in;
  }
  EXPECT_EQ(GetResString("Z7.Corvane.0091"), set(pub, "<columns/>").at("text"));
  EXPECT_EQ("", pub.rows("select cKey from ColumnSetting where cUser_ID='clerk'"));
}

// A service that refuses to start: both funcs answer their own message with number 0.
class RefusingColumnSet final : public ColumnSet {
 public:
  bool init(const std::string&, const std::string&) override { return false; }
  std::string getColInfo(std::string&, std::uint8_t&) override { return kDefaults; }
  bool save(const std::string&) override { return true; }
};

TEST(RptColumns, AServiceThatCannotStartIsARefusal) {
  TestHost refusing;
  refusing.columnSets = [] { return std::make_unique<RefusingColumnSet>(); };
  PubTestAccount pub("demo", "2026-1-6", {}, &refusing);
  const PubAnswer read = pub.serve([](FuncCall& call) { return RptColumnGet(call); },
                                   "<func name='rptcolumnget'><in><key>KX0301</key></in></func>");
  EXPECT_FALSE(read.ok);
  EXPECT_EQ("Corvane:CPubMsg:RptColumnGet:0", read.at("id"));
  EXPECT_EQ(GetResString("Z7.Corvane.0090"), read.at("text"));
  const PubAnswer write = pub.serve([](FuncCall& call) { return RptColumnSet(call); },
                                    "<func name='rptcolumnset'><in>" + kOwn + "</in></func>");
  EXPECT_FALSE(write.ok);
  EXPECT_EQ("Corvane:CPubMsg:RptColumnSet:0", write.at("id"));
  EXPECT_EQ(GetResString("Z7.Corvane.0091"), write.at("text"));
}

}  // namespace
}  // namespace corvane
