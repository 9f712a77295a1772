#include "core/PubReference.h"

#include <gtest/gtest.h>

#include "request/Values.h"
#include "support/PubTestAccount.h"

namespace corvane {
namespace {

// The values of attribute `name` of every row of a <rows> reply, joined by commas.
std::string column(const PubAnswer& answer, const std::string& name) {
  XmlDocument document;
  if (!document.loadXML(answer.reply)) return "not XML: " + answer.reply;
  std::string values;
  for (const XmlNode& row : document.documentElement().selectNodes("row")) {
    if (!values.empty()) values += ',';
    values += row.attribute(name);
  }
  return values;
}

TEST(AccGet, AnswersTheOptionsOfAaGlAndKxAndTheNamedDates) {
  PubTestAccount pub("clerk", "2026-1-6",
                     {"INSERT INTO AccInformation (cSysID, cID, cName, cType, cValue) VALUES "
                      "('BM', '1', 'dBMFirstDate', 'Date', '2026-01-01')",
                      "INSERT INTO AccInformation (cSysID, cID, cName, cType, cValue) VALUES "
                      "('BM', '2', 'dBMOther', 'Date', '2026-01-01')"});
  const PubAnswer all = pub.serve(accGet, "<func name='accget'/>");
  ASSERT_TRUE(all.ok) << all.reply;
  // Columns are named as the query spells them.
  const std::string systems = column(all, "csysid");
  EXPECT_NE(std::string::npos, systems.find("AA"));
  EXPECT_NE(std::string::npos, systems.find("KX"));
  EXPECT_NE(std::string::npos, column(all, "cname").find("dBMFirstDate"));
  EXPECT_EQ(std::string::npos, column(all, "cname").find("dBMOther"));
  EXPECT_NE(std::string::npos, all.reply.find("csysid=\"KX\" cname=\"blnAutoAlert\" ctype=\"Boolean\" cvalue=\"False\" "
                                              "cdefault=\"False\""))
      << all.reply;

  const PubAnswer aa = pub.serve(accGet2, "<func name='accget2'/>");
  ASSERT_TRUE(aa.ok) << aa.reply;
  EXPECT_EQ(canonical("<rows><row cSysID='AA' cID='101' cName='iXchgRateStl' cType='Boolean' "
                      "cValue='False' cDefault='False'/></rows>"),
            aa.reply);
}

TEST(AuthGet, RightsOfTheUserHimselfAndThroughHisGroups) {
  PubTestAccount pub("clerk", "2026-1-6",
                     {"INSERT INTO vqsystem..UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, "
                      "cAuth_ID) VALUES ('001', 2026, 'clerk', 1, 'KX0302')"});
  struct Case {
    const char* in;
    const char* rights;
  };
  const Case cases[] = {
      {"", "kx020101,kx020301,kx0301,kx0302"},
      {"<user>clerk</user>", "kx020101,kx020301,kx0301,kx0302"},
      {"<user>demo</user>", ""},  // filled in below: every right of the module and admin
      {"<user/>", ""},
      {"<user>x' or '1'='1</user>", ""},
  };
  for (const Case& c : cases) {
    const PubAnswer answer = pub.serve(authGet, "<func name='authget'><in>" + std::string(c.in) + "</in></func>");
    ASSERT_TRUE(answer.ok) << answer.reply;
    std::string rights = column(answer, "name");
    std::vector<std::string> sorted;
    for (std::size_t start = 0; start < rights.size();) {
      const std::size_t comma = rights.find(',', start);
      sorted.push_back(rights.substr(start, comma - start));
      start = comma == std::string::npos ? rights.size() : comma + 1;
    }
    std::sort(sorted.begin(), sorted.end());
    std::string joined;
    for (const std::string& right : sorted) joined += (joined.empty() ? "" : ",") + right;
    if (std::string(c.in) == "<user>demo</user>") {
      EXPECT_NE(std::string::npos, joined.find("admin")) << joined;
      EXPECT_NE(std::string::npos, joined.find("kx0404")) << joined;
    } else {
      EXPECT_EQ(c.rights, joined) << c.in;
    }
  }
}

TEST(CurrencyGet, ListsTheCurrencies) {
  PubTestAccount pub;
  const PubAnswer answer = pub.serve(currencyGet, "<func name='currencyget'/>");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ("人民币,美元", column(answer, "cexch_name"));
  EXPECT_EQ("RMB,USD", column(answer, "cexch_code"));
}

// --- hlget ---------------------------------------------------------------------------------

struct RateCase {
  const char* name;
  const char* setup;  // run before the request; empty for none
  const char* currency;
  const char* date;
  const char* rate;
};

const std::string kPeriodRates = "UPDATE AccInformation SET cValue='true' WHERE cSysID='AA' AND cName='iXchgRateStl'";

const RateCase kRates[] = {
    {"a day with its own rate", "", "美元", "2026-01-06", "7.1805"},
    {"a day in another form", "", "美元", "2026/1/7", "7.1779"},
    {"a day without a rate takes its period's", "", "美元", "2026-03-15", "7.19"},
    {"no date: the login date", "", "美元", "", "7.1805"},
    {"a two-digit period", "", "美元", "2026-11-30", "7.12"},
    {"outside every period: period 0, no rate", "", "美元", "2025-12-31", ""},
    {"neither a day nor a period rate", "DELETE FROM exch WHERE itype=2 AND iperiod=2", "美元", "2026-02-10", ""},
    {"an unknown currency", "", "欧元", "2026-01-06", ""},
    {"an apostrophe in the currency", "", "x' or '1'='1", "2026-01-06", ""},
    {"period rates: the day's rate is ignored", kPeriodRates.c_str(), "美元", "2026-01-06", "7.18"},
    {"period rates: period 10", kPeriodRates.c_str(), "美元", "2026-10-01", "7.13"},
    {"period rates: none for the period", kPeriodRates.c_str(), "美元", "2025-06-01", ""},
};

TEST(HlGet, RatesByDayAndByPeriod) {
  for (const RateCase& c : kRates) {
    std::vector<std::string> setup;
    if (*c.setup != '\0') setup.push_back(c.setup);
    PubTestAccount pub("clerk", "2026-1-6", setup);
    const PubAnswer answer = pub.serve(hlGet, "<func name='hlget'><in><exchname>" + XmlEncode(c.currency) +
                                                  "</exchname><curdate>" + c.date + "</curdate></in></func>");
    EXPECT_TRUE(answer.ok) << c.name << ": " << answer.reply;
    EXPECT_EQ(canonical("<hl>" + std::string(c.rate) + "</hl>"), answer.reply) << c.name;
  }
}

TEST(HlGet, BadInputGivesTheErrorReply) {
  PubTestAccount pub;
  const PubAnswer noDate = pub.serve(hlGet, "<func name='hlget'><in><exchname>美元</exchname></in></func>");
  EXPECT_FALSE(noDate.ok);
  EXPECT_EQ("Corvane:CPubMsg:currencyGet:91", noDate.at("id"));
  const PubAnswer badDate =
      pub.serve(hlGet, "<func name='hlget'><in><exchname>美元</exchname><curdate>soon</curdate></in></func>");
  EXPECT_FALSE(badDate.ok);
  EXPECT_EQ("Corvane:CPubMsg:currencyGet:13", badDate.at("id"));
}

// --- selectget -----------------------------------------------------------------------------

TEST(SelectGet, AnswersTheRowsOfASelect) {
  PubTestAccount pub("clerk");
  const PubAnswer answer = pub.serve(selectGet,
                                     "<func name='selectget'><in><sql>select cDepCode, cDepName from Department where "
                                     "cDepCode like '03%' order by cDepCode</sql></in></func>");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ("03,0301,0302", column(answer, "cDepCode"));
}

// Client texts that would change data: each is refused and leaves the account as it was.
const char* const kHostileSql[] = {
    "delete from Department",
    "select 1; delete from Department",
    "select 1 as x;delete from Department;",
    "update Department set cDepName='x'",
    "insert into Department (cDepCode, cDepName) values ('99', 'x')",
    "select * into DepartmentCopy from Department",
    "drop table Department",
    "select 1 /* */; update Department set cDepName='x'",
};

TEST(SelectGet, RefusesEveryTextThatIsNotASingleSelect) {
  PubTestAccount pub("clerk");
  const std::string before = pub.rows("select * from Department order by cDepCode");
  for (const char* sql : kHostileSql) {
    const PubAnswer answer =
        pub.serve(selectGet, "<func name='selectget'><in><sql>" + XmlEncode(sql) + "</sql></in></func>");
    EXPECT_FALSE(answer.ok) << sql;
    EXPECT_EQ("Corvane:CPubMsg:selectGet:5", answer.at("id")) << sql;
    EXPECT_EQ("Only a single SELECT statement may be run here.", answer.at("text")) << sql;
  }
  EXPECT_EQ(before, pub.rows("select * from Department order by cDepCode"));
  EXPECT_EQ("", pub.rows("select name from sqlite_master where name='DepartmentCopy'"));
}

TEST(SelectGet, ABadSelectGivesTheDatabaseError) {
  PubTestAccount pub;
  const PubAnswer answer =
      pub.serve(selectGet, "<func name='selectget'><in><sql>select nothing from Nowhere</sql></in></func>");
  EXPECT_FALSE(answer.ok);
  EXPECT_EQ(0u, answer.at("id").find("Corvane:CPubMsg:selectGet:-")) << answer.reply;
}

}  // namespace
}  // namespace corvane
