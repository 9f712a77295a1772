#include "platform/tsql/TsqlTranslator.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/com/RuntimeError.h"
#include "platform/tsql/ErrorTexts.h"
#include "platform/tsql/TsqlTestDatabase.h"

namespace corvane::db {
namespace {

struct QueryCase {
  const char* tsql;
  const char* rows;  // columns joined by |, rows by ;
};

void expectRows(const TsqlTestDatabase& database, const QueryCase& c) {
  try {
    EXPECT_EQ(database.rows(c.tsql), c.rows) << c.tsql;
  } catch (const RuntimeError& e) {
    ADD_FAILURE() << c.tsql << "\n  raised: " << e.description();
  }
}

TEST(TsqlTranslator, ReadsLiteralsNamesAndMultiPartNames) {
  static const QueryCase kCases[] = {
      {"select N'it''s' as a, 'plain', N'', N'N''x'", "it's|plain||N'x"},
      {"select [strName] as [Name] from [KX_OperationType] where strCode = N'101'", "Loan"},
      {"select strCode as [order] from KX_OperationType where strCode=N'101'", "101"},
      {"select count(*) from dbo.KX_OperationType", "3"},
      {"select dbo.KX_OperationType.strName from dbo.KX_OperationType where intType = 1", "Loan"},
      {"SELECT cUser_Name FROM VqSystem.dbo.UA_User Where cUser_ID = N'demo'", "Demo User"},
      {"select iID from Vqsystem..UA_Period where cAcc_ID = N'002'", "1"},
      {"select count(*) from VQSYSTEM..ua_period", "3"},
      {"select tempdb..vqtmpA.ccode from tempdb..vqtmpA where tempdb..vqtmpA.autoid = 1", "A"},
      {"select x.ccode from tempdb..[vqtmpA] x order by x.ccode desc", "b;A"},
      {"select cUser_Name from UA_User", "Demo User"},
      {"select strCode -- a comment\n from /* another */ KX_OperationType where intType=1", "101"},
      {"select'a'union select'b'", "a;b"},
      {"select Count(*)as n from(select strCode from KX_OperationType)x", "3"},
      {"select strName = strCode from KX_OperationType where intType = 1", "101"},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, RewritesStatementFormsSqliteLacks) {
  static const QueryCase kCases[] = {
      {"Select Top 1 strCode From KX_OperationType Order By strCode Desc", "202"},
      {"select top (2) strCode from KX_OperationType order by strCode", "101;201"},
      {"select strCode from KX_OperationType order by strCode offset 1 rows fetch next 1 row only", "201"},
      {"select strCode from KX_OperationType order by strCode desc offset 2 rows", "101"},
      {"Select TOP 1 strCode From KX_OperationType Where intType = 2 Union All "
       "Select TOP 1 strCode From KX_OperationType Where intType = 1",
       "201;101"},
      {"(select strCode from KX_OperationType where intType = 1) union "
       "(select strCode from KX_OperationType where strCode = N'202') order by strCode",
       "101;202"},
      {"select count(*) from ((select strCode from KX_OperationType) union all "
       "(select strVouchID from KX_LoanVouch))x",
       "6"},
      {"select count(*) from KX_OperationType where strCode in((select N'101')union(select N'201'))", "2"},
      {"select count(*) from KX_OperationType where strCode not in (select strTypeCode from KX_LoanVouch)", "1"},
      {"select o.strCode, i.strName from KX_IOItem i RIGHT OUTER JOIN KX_OperationType o "
       "INNER JOIN KX_LoanVouch l ON l.strTypeCode = o.strCode ON i.strTypeCode = o.strCode "
       "where l.AutoID = 3",
       "201|Cost"},
      {"select count(*) from ((KX_OperationType o inner join KX_LoanVouch l on (l.strTypeCode = o.strCode)) "
       "inner join KX_IOItem i on i.strTypeCode = o.strCode)",
       "5"},
      {"select o.strCode from KX_OperationType o left join(SELECT * From KX_LoanVouch WHERE AutoID=3)B "
       "ON(B.strTypeCode = o.strCode) where B.AutoID is not null",
       "201"},
      {"USE vqsystem", ""},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

// Whether SQLite builds a temporary b-tree (for an IN list or subquery, a DISTINCT or a UNION)
// to run the translation of `tsql`.
bool buildsTempBTree(const TsqlTestDatabase& database, const char* tsql) {
  bool builds = false;
  for (const ProgramStep& step : TsqlTranslator::shared().translate(database.db(), tsql)->steps()) {
    sqlite3_stmt* explain = nullptr;
    sqlite3_prepare_v2(database.db(), ("EXPLAIN " + step.sql).c_str(), -1, &explain, nullptr);
    while (sqlite3_step(explain) == SQLITE_ROW) {
      builds =
          builds || std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(explain, 1))) == "OpenEphemeral";
    }
    sqlite3_finalize(explain);
  }
  return builds;
}

// A short list of literals, or a union of selected texts, compared with a column or ISNULL of one
// is compared value by value, without a temporary b-tree, and answers as IN does: by the column's
// collation, NULL for a NULL operand, NOT IN as written.
TEST(TsqlTranslator, ComparesShortListsOfLiteralsValueByValue) {
  const struct {
    const char* tsql;
    const char* rows;
    bool tempBTree;
  } cases[] = {
      {"select strCode from KX_OperationType where strShowModel in (N'5', N'', N'x') order by strCode", "101;201",
       false},
      {"select strCode from KX_IOItem where strName in (N'INCOME', N'cost', N'none') order by strCode", "1;2", false},
      {"select strCode, case when strShowModel in (N'5', N'x', N'y') then 1 when not (strShowModel in (N'5', N'x', "
       "N'y')) then 0 else -1 end from KX_OperationType order by strCode",
       "101|1;201|0;202|-1", false},
      {"select strCode from KX_OperationType where strShowModel in (N'x', N'y', null)", "", false},
      {"select strCode from KX_OperationType where intType in (1, 3, 5)", "101", false},
      {"select strCode from KX_OperationType where strCode in (101, 202, 303) order by strCode", "101;202", false},
      {"select strCode from KX_OperationType where Isnull(strShowModel ,N'') IN (Select N'' Union Select N'7') "
       "order by strCode",
       "201;202", false},
      {"select strCode from KX_OperationType where isnull(strShowModel, N'') in (select N'5' union all select N'5')",
       "101", false},
      {"select strCode from KX_OperationType where strShowModel not in (N'5', N'x', N'y')", "201", true},
      {"select strCode from KX_OperationType where strShowModel not in (select N'5' union select N'x')", "201", true},
      {"select strCode from KX_OperationType where strShowModel in (N'1', N'2', N'3', N'4', N'5', N'6', N'7', N'8', "
       "N'9')",
       "101", true},
      {"select strCode from KX_OperationType where strShowModel in (select N'5' union select strCode from KX_IOItem)",
       "101", true},
      {"select strCode from KX_OperationType where strShowModel + N'' in (N'5', N'x', N'y')", "101", true},
  };
  const TsqlTestDatabase database;
  for (const auto& c : cases) {
    expectRows(database, {c.tsql, c.rows});
    EXPECT_EQ(buildsTempBTree(database, c.tsql), c.tempBTree) << c.tsql;
  }
}

TEST(TsqlTranslator, CountsRecordsAffectedWithoutTriggerRows) {
  const TsqlTestDatabase database;
  long affected = -1;
  database.rows("Update KX_IOItem Set ts = ts + 1 Where strTypeCode = N'101'", &affected);
  EXPECT_EQ(affected, 2);  // the trigger's insert into Log is not counted
  database.rows("Delete KX_IOItem Where strCode = N'2'", &affected);
  EXPECT_EQ(affected, 1);
  database.rows("select * from KX_IOItem", &affected);
  EXPECT_EQ(affected, 0);
  // Statements of a batch follow one another without separators; their counts add up.
  database.rows(
      "Update KX_IOItem Set strName = N'a' Where strCode = N'1'\r\n"
      "Update KX_IOItem Set strName = N'b' Where strCode = N'101'\r\n",
      &affected);
  EXPECT_EQ(affected, 2);
  EXPECT_EQ(database.rows("select strName from KX_IOItem order by strCode"), "a;b");
  database.rows("insert into KX_IOItem(strcode,strname)values(N'3',N'New'),(N'4',N'Newer')", &affected);
  EXPECT_EQ(affected, 2);
}

TEST(TsqlTranslator, ComputesFunctionsAsSqlServerDoes) {
  static const QueryCase kCases[] = {
      {"select isnull(strShowModel, N'none') from KX_OperationType order by strCode", "5;;none"},
      {"select isnull(fltRate, 0), isnull(dblRate, N'') from KX_LoanVouch where AutoID = 3", "0|0"},
      {"select left(strName, 2), left(N'abc', 5), len(N'ab  '), len(N''), len(NULL) from KX_OperationType "
       "where strCode = N'101'",
       "Lo|abc|2|0|NULL"},
      {"select len(newid()), left(newid(), 1), substring(newid(), 10, 1)", "38|{|-"},
      {"select cast(N'12.345' as decimal(18,2)), cast(N'2.675' as decimal(5,2)), cast(-2.5 as decimal(5,0))",
       "12.35|2.68|-3"},
      {"select cast(12.34565 as money), convert(money, N' 7 '), cast(ts as money) from KX_OperationType "
       "where strCode = N'202'",
       "12.3457|7|3"},
      {"select cast(N' 42 ' as int), cast(2.9 as int), cast(-2.9 as int), cast(N'' as int)", "42|2|-2|0"},
      {"select convert(varchar(20), cast(100 as decimal(18,2))), convert(varchar(20), dblRate) "
       "from KX_LoanVouch where AutoID = 1",
       "100.00|100.00"},
      {"select convert(varchar(20), convert(decimal(18,2), N'33.345')), cast(dblMoney as varchar(10)) "
       "from KX_LoanVouch where AutoID = 2",
       "33.35|0.10"},
      {"select convert(varchar(10), dtLoanDate, 120), convert(varchar(19), dtLoanDate, 120) from KX_LoanVouch "
       "where AutoID = 3",
       "2005-09-15|2005-09-15 14:30:00"},
      {"select cast(intType as nvarchar(10)) + N'-' + cast(strCode as varchar(2)), convert(varchar(2), 12345) "
       "from KX_OperationType where strCode = N'101'",
       "1-10|*"},
      {"select convert(datetime, N'2005/8/2'), cast(N'2005-8-2 9:05' as datetime)",
       "2005-08-02 00:00:00|2005-08-02 09:05:00"},
      {"select datediff(day, dtLoanDate, N'2005-8-10'), DATEDIFF([day], N'2005-08-02T23:59:00', N'2005/8/3') "
       "from KX_LoanVouch where AutoID = 1",
       "8|1"},
      {"SELECT MAX(DATEDIFF([day], dtLoanDate, N'2005-10-1')) AS A FROM KX_LoanVouch", "60"},
      {"select round(2.675, 2), abs(-3), upper(N'ab'), ltrim(N'  x'), replace(N'a-b', N'-', N'')", "2.68|3|AB|x|ab"},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, AddsTextsAndNumbersByTheirTypes) {
  static const QueryCase kCases[] = {
      {"select 'a' + 'b', strVouchID + N'*', strVouchID + strTypeCode from KX_LoanVouch where AutoID = 1",
       "ab|L001*|L001101"},
      {"select (case when isnull(blnBegin ,'') = '1' then strVouchID + '*' else strVouchID end) as v "
       "from KX_LoanVouch order by AutoID",
       "L001*;L002;L003"},
      {"select intType + 1, intType + N'5', N'5' + intType, strCode + 1 from KX_OperationType where strCode = N'201'",
       "3|7|7|202"},
      {"select x.c + N'!' from (select strCode + N'-' as c from KX_OperationType where intType = 1) x", "101-!"},
      {"select x.n + 1 from (select intType as n from KX_OperationType where strCode = N'101') x", "2"},
      {"select strCode + NULL from KX_OperationType where strCode = N'101'", "NULL"},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, ComparesTextWithNumbersAsSqlServerConverts) {
  static const QueryCase kCases[] = {
      {"select (case left(strCode,1) when 1 then N'income' else N'expense' end) as k from KX_IOItem order by strCode",
       "income;income;expense"},
      {"select strVouchID from KX_LoanVouch where isnull(blnBegin,'') = '1'", "L001"},
      {"select count(*) from KX_LoanVouch where isnull(blnBegin,'') = 0", "2"},
      {"select iID from Vqsystem..UA_Period where cacc_id=001 and iyear=2005 order by iID", "1;2"},
      {"select count(*) from vqsystem..UA_Period where iYear='2005' and cAcc_ID = N'002'", "1"},
      {"select count(*) from KX_OperationType where strShowModel = 5", "1"},
      {"select strCode from KX_OperationType where strCode in (101, 202) order by strCode", "101;202"},
      {"select strName from KX_OperationType where strName = N'LOAN'", "Loan"},
      {"select count(*) from tempdb..vqtmpA where ccode = N'B'", "1"},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, DividesAsSqlServerDoes) {
  static const QueryCase kCases[] = {
      {"select 100/3, -7/2, 100.0/3, 7/2.0", "33|-3|33.3333333333333|3.5"},
      // dblRate is decimal(18,2): SQLite keeps 100.0 as the integer 100, the division stays exact.
      {"select dblRate/3, dblMoney/8, fltRate/2 from KX_LoanVouch where AutoID = 1", "33.3333333333333|12.5|0.5"},
      {"select x.r/3 from (select dblRate as r from KX_LoanVouch where AutoID = 1) x", "33.3333333333333"},
      {"select dblMoney*100/dblRate from vwKXLoan where AutoID = 2", "0.299850074962519"},
      {"select 7 % 3, NULL/0", "1|NULL"},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, SumsAmountsExactly) {
  static const QueryCase kCases[] = {
      {"select sum(amount) from Amounts where grp = 1", "0"},
      {"select case when sum(amount) = 0 then 1 else 0 end from Amounts where grp = 1", "1"},
      {"select sum(amount) from Amounts where grp = 2", "350"},
      {"select sum(amount) from Amounts where grp = 3", "3.75"},
      {"select sum(amount) from Amounts where grp = 9", "NULL"},
      {"select isnull(sum(isnull(amount,0)),0) from Amounts where grp = 9", "0"},
      {"select grp, sum(amount) from Amounts group by grp order by grp", "1|0;2|350;3|3.75"},
      {"select sum(0.1) from Amounts", "0.7"},
      {"select sum(N'2') from Amounts where grp = 1", "6"},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, ComparesDatesAcrossTextForms) {
  static const QueryCase kCases[] = {
      {"select count(*) from KX_LoanVouch where dtLoanDate = N'2005-8-2'", "1"},
      {"select count(*) from KX_LoanVouch where dtLoanDate = N'2005-08-02T00:00:00'", "1"},
      {"select count(*) from KX_LoanVouch where dtLoanDate = '2005/8/2'", "1"},
      {"select count(*) from KX_LoanVouch where N'2005-08-02 00:00:00' = dtLoanDate", "1"},
      {"select strVouchID from KX_LoanVouch where dtLoanDate < N'2005-9-15' order by AutoID", "L001"},
      {"select strVouchID from KX_LoanVouch where dtLoanDate >= N'2005-9-15' order by AutoID", "L002;L003"},
      {"select strVouchID from KX_LoanVouch where dtLoanDate <> N'2005-10-1' order by AutoID", "L001;L003"},
      {"select strVouchID from KX_LoanVouch where dtLoanDate between N'2005-8-3' and N'2005-9-30'", "L003"},
      {"select iID from vqsystem..ua_period where (N'2005-2-14' between dbegin and dend) and cacc_id = N'001'", "2"},
      {"select strVouchID from vwKXLoan where dtLoanDate > N'2005/9/30'", "L002"},
      {"select ccode from tempdb..vqtmpA where dtloandate <= N'2005-8-2'", "A"},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, WritesDatesAndAmountsInTheirColumnsForms) {
  const TsqlTestDatabase database;
  database.rows(
      "insert into KX_LoanVouch (GUID, strVouchID, dtLoanDate, dblMoney, dblRate) "
      "values (N'{B1}', N'L101', N'2005-08-02T00:00:00', N'12.34567', N'1.005')");
  database.rows(
      "insert into KX_LoanVouch (GUID, strVouchID, dtLoanDate, fltRate) "
      "values (N'{B2}', N'L102', N'', N'')");
  database.rows("Update KX_LoanVouch Set dtLoanDate = N'2005/8/3 14:30', dblRate = 2.999 Where GUID = N'{b1}'");
  database.rows(
      "insert into KX_LoanVouch (GUID, strVouchID, dtLoanDate) "
      "select N'{B3}', N'L103', N'2006-1-2'");
  // Without a column list the identity column is left to the table.
  database.rows("insert into KX_LoanVouch select N'{B4}', N'101', N'L104', N'2006-1-3', N'5.5', 1, 1, 0");
  EXPECT_EQ(database.rows("select GUID, dtLoanDate, dblMoney, dblRate, fltRate from KX_LoanVouch "
                          "where AutoID > 3 order by AutoID"),
            "{B1}|2005-08-03 14:30:00|12.3457|3|NULL;"
            "{B2}|1900-01-01 00:00:00|NULL|NULL|0;"
            "{B3}|2006-01-02 00:00:00|NULL|NULL|NULL;"
            "{B4}|2006-01-03 00:00:00|5.5|1|1");
}

TEST(TsqlTranslator, RefusesTextItCannotRead) {
  static const struct {
    const char* tsql;
    const char* message;
  } kCases[] = {
      {"select @x", "Must declare the scalar variable \"@x\"."},
      {"WHILE 1 = 1 select 1", "'WHILE' is not supported"},
      {"DECLARE @x int SET @y = 1", "Must declare the scalar variable \"@y\"."},
      {"DECLARE @x int DECLARE @X money", "The variable name '@X' has already been declared."},
      {"SET NOCOUNT ON", "SET NOCOUNT is not supported"},
      {"IF 1 = 1", "Incorrect syntax near the end of the statement."},
      {"IF 1 = 1 BEGIN select 1", "Incorrect syntax near the end of the statement."},
      {"DECLARE @v int select @v = intType, strCode from KX_OperationType",
       "must not be combined with data-retrieval operations"},
      {"select count(*) from KX_OperationType where strCode in (select strCode into tempdb..t from KX_IOItem)",
       "Incorrect syntax near the keyword 'into'."},
      {"select objectproperty(1, N'IsView')", "OBJECTPROPERTY other than IsUserTable is not supported"},
      {"CREATE TABLE tempdb..t ([a] [int] IDENTITY (0, 1))", "IDENTITY other than (1, 1) is not supported"},
      {"CREATE INDEX ix ON KX_IOItem (strCode)", "CREATE INDEX is not supported"},
      {"select foo(strCode) from KX_OperationType", "'foo' is not a recognized built-in function name."},
      {"select (1", "Incorrect syntax near the end of the statement."},
      {"select 1)", "Incorrect syntax near ')'."},
      {"select N'abc", "Unclosed quotation mark after the character string 'abc'."},
      {"select * from KX_OperationType with (nolock)", "A table hint is not supported"},
      {"select top 10 percent * from KX_OperationType", "TOP ... PERCENT is not supported"},
      {"select top 1 strCode from KX_OperationType order by strCode offset 1 rows",
       "A TOP can not be used in the same query or sub-query as a OFFSET."},
      {"select strCode from KX_OperationType order by strCode offset 1 rows fetch next 1 rows",
       "Incorrect syntax near the end of the statement."},
      {"select convert(char(10), 1)", "Conversion to char is not supported"},
      {"update KX_IOItem set strName = N'x' from KX_IOItem", "UPDATE ... FROM is not supported"},
      {"select datediff(month, N'2005-1-1', N'2005-2-1')", "DATEDIFF by month is not supported"},
      {"select convert(varchar(10), dtLoanDate, 104) from KX_LoanVouch", "CONVERT style 104 is not supported"},
      {"select 1 from sys.objects", "schema 'sys' is unknown"},
      {"USE master", "USE master is not supported"},
      {"select strCode from KX_IOItem where strCode like N'[1]%'", "character class is not supported"},
      {"select 1 +", "Incorrect syntax near the end of the statement."},
      {"select $5", "Incorrect syntax near '$'."},
      {"select 123456789012345678901234567890123456789",
       "The number '123456789012345678901234567890123456789' is out of the range for numeric representation "
       "(maximum precision 38)."},
      {"select 1.23456789012345678901234567890123456789", "out of the range for numeric representation"},
      {"select 1e999", "The floating point value '1e999' is out of the range of computer representation (8 bytes)."},
      {"select cast(1 as varchar(99999999999999999999))",
       "The size (99999999999999999999) given to the type 'varchar' exceeds the maximum allowed for any data type "
       "(8000)."},
      {"DECLARE @v decimal(18, 9000)", "The size (9000) given to the type 'decimal' exceeds the maximum allowed"},
      {"CREATE TABLE tempdb..t (a nvarchar(8001))", "The size (8001) given to the type 'nvarchar' exceeds"},
      {"select top 99999999999999999999 strCode from KX_IOItem",
       "Arithmetic overflow error converting expression to data type bigint."},
      {"select convert(varchar(10), dtLoanDate, 99999999999999999999) from KX_LoanVouch",
       "Arithmetic overflow error converting expression to data type bigint."},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) {
    try {
      TsqlTranslator::shared().translate(database.db(), c.tsql);
      ADD_FAILURE() << c.tsql << " was translated";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), errnum::kDbStatement) << c.tsql;
      EXPECT_NE(e.description().find(c.message), std::string::npos) << c.tsql << "\n  said: " << e.description();
    }
  }
}

std::string repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// Each form of nesting the parser descends into by recursion, far deeper than any statement
// needs: refused with SQL Server's error instead of exhausting the stack.
TEST(TsqlTranslator, RefusesTooDeepNesting) {
  constexpr int kDeep = 10000;
  const std::string cases[] = {
      "select " + repeated("(", kDeep) + "1" + repeated(")", kDeep),
      "select " + repeated("(select ", kDeep) + "1" + repeated(")", kDeep),
      repeated("(", kDeep) + "select 1" + repeated(")", kDeep),
      "select " + repeated("abs(", kDeep) + "1" + repeated(")", kDeep),
      "select " + repeated("case when 1 = 1 then ", kDeep) + "1" + repeated(" end", kDeep),
      "select 1 where " + repeated("not ", kDeep) + "1 = 1",
      "select " + repeated("- ", kDeep) + "1",
      "select " + repeated("~", kDeep) + "1",
      "select 1 where 1 in (" + repeated("(select ", kDeep) + "1" + repeated(")", kDeep) + ")",
      "select count(*) from " + repeated("(select * from ", kDeep) + "KX_IOItem" + repeated(") x", kDeep),
      "select count(*) from " + repeated("(", kDeep) + "KX_IOItem" + repeated(")", kDeep),
      "select count(*) from KX_IOItem a" + repeated(" join KX_IOItem b", kDeep) + repeated(" on 1 = 1", kDeep),
      repeated("IF 1 = 1 ", kDeep) + "select 1",
      repeated("BEGIN ", kDeep) + "select 1" + repeated(" END", kDeep),
      // Unclosed: the end is never reached.
      "select " + repeated("(", kDeep),
      // Nesting the translator reads but SQLite's parser cannot take answers the same.
      "select " + repeated("(select ", 20) + "1" + repeated(")", 20),
  };
  const TsqlTestDatabase database;
  for (const auto& tsql : cases) {
    const std::string start = tsql.substr(0, 40);
    try {
      database.rows(tsql);
      ADD_FAILURE() << start << " ran";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), errnum::kDbStatement) << start;
      EXPECT_EQ(e.description(), kTooDeepText) << start;
    }
  }
}

// A parenthesis that opens a subquery in one reading and an expression in the other is decided
// once, by the tokens that follow it: texts whose every level is ambiguous would take 2^levels
// attempts if each level tried one reading and then the other.
TEST(TsqlTranslator, ReadsAmbiguousParenthesesOnce) {
  const TsqlTestDatabase database;
  // ((select (...)) + 1): the query reading fails only after reading the whole subquery.
  std::string nested = "1";
  for (int i = 0; i < 8; ++i) nested = "((select " + nested + ") + 1)";
  EXPECT_EQ(database.rows("select " + nested), "9");
  static const QueryCase kCases[] = {
      {"select ((select 1)), ((select 2) + 1), ((select 1) union (select 2) order by 1 desc)", "1|3|2"},
      {"select count(*) from KX_OperationType where strCode in ((select N'101'), N'201')", "2"},
      {"select count(*) from KX_OperationType where strCode in (((select N'101')))", "1"},
      {"select count(*) from ((select strCode from KX_OperationType) x join KX_IOItem i on i.strCode = x.strCode)",
       "1"},
      {"select count(*) from (((select strCode from KX_OperationType)) union (select N'9')) x", "4"},
  };
  for (const auto& c : kCases) expectRows(database, c);
  // Unclosed and ambiguous at every level: refused at once.
  const std::string unclosed = "select " + repeated("(select f((", 200);
  EXPECT_THROW(TsqlTranslator::shared().translate(database.db(), unclosed), RuntimeError);
}

TEST(TsqlTranslator, RaisesSqlServerErrorsWhenRun) {
  static const struct {
    const char* tsql;
    std::int32_t number;
    const char* message;
  } kCases[] = {
      {"select cast(N'abc' as int)", errnum::kDbConversion,
       "Conversion failed when converting the varchar value 'abc' to data type int."},
      {"select cast(N'1.5' as int)", errnum::kDbConversion, "Conversion failed"},
      {"select cast(N'abc' as money)", errnum::kDbConversion, "Cannot convert a char value to money."},
      {"select cast(N'12x' as decimal(18,2))", errnum::kDbConversion, "Error converting data type varchar to numeric."},
      {"select cast(1000 as decimal(5,2))", errnum::kDbOverflow,
       "Arithmetic overflow error converting int to data type numeric."},
      {"select convert(decimal(5,2), 12345.678/10)", errnum::kDbOverflow,
       "Arithmetic overflow error converting numeric to data type numeric."},
      {"select convert(varchar(5), convert(decimal(5,2), 123.456))", errnum::kDbOverflow,
       "Arithmetic overflow error converting numeric to data type varchar."},
      {"select cast(3000000000 as int)", errnum::kDbOverflow, "overflow error"},
      {"select 1/0", errnum::kDbStatement, "Divide by zero error encountered."},
      {"select dblMoney/(intType - 1) from KX_LoanVouch, KX_OperationType where strCode = N'101'", errnum::kDbStatement,
       "Divide by zero error encountered."},
      {"select 5 % 0", errnum::kDbStatement, "Divide by zero error encountered."},
      {"select strCode from KX_IOItem where strName = 1", errnum::kDbConversion,
       "Conversion failed when converting the varchar value"},
      {"insert into KX_LoanVouch (GUID, dtLoanDate) values (N'{X}', N'not a date')", errnum::kDbConversion,
       "Conversion failed when converting datetime from character string."},
      {"select datediff(day, N'2005-13-01', N'2005-1-1')", errnum::kDbConversion, "Conversion failed"},
      {"select * from NoSuchTable", errnum::kDbNotFound, "Invalid object name 'NoSuchTable'."},
      {"select NoSuchColumn from KX_IOItem", errnum::kDbStatement, "Invalid column name 'NoSuchColumn'."},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) {
    try {
      database.rows(c.tsql);
      ADD_FAILURE() << c.tsql << " ran";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.number) << c.tsql << "\n  said: " << e.description();
      EXPECT_NE(e.description().find(c.message), std::string::npos) << c.tsql << "\n  said: " << e.description();
    }
  }
}

TEST(TsqlTranslator, RunsBatchesWithVariablesAndControlFlow) {
  const TsqlTestDatabase database;
  static const QueryCase kCases[] = {
      // A SELECT that assigns keeps the last row's values, and leaves the variable alone without rows.
      {"declare @v nvarchar(20) select @v = strCode from KX_OperationType order by strCode select @v", "202"},
      {"DECLARE @v int, @w int SET @v = 5 select @v = intType, @w = 7 from KX_OperationType where 1 = 2 "
       "select @v, @w",
       "5|NULL"},
      {"declare @n int set @n = (select count(*) from KX_IOItem) if @n > 2 select N'many' else select N'few'", "many"},
      {"if not exists (select 1 from KX_IOItem where strCode = N'9') begin select 1 select 2 end else select 3", "1;2"},
      {"declare @d datetime set @d = N'2005/8/2' select strVouchID from KX_LoanVouch where dtLoanDate = @d", "L001"},
      {"declare @m money set @m = 0.3 set @m = @m - 0.1 select case when @m = 0.2 then N'exact' else N'drift' end",
       "exact"},
  };
  for (const auto& c : kCases) expectRows(database, c);
}

TEST(TsqlTranslator, RunsTheBatchShapesOfTheModule) {
  const TsqlTestDatabase database;
  long affected = 0;
  // IF EXISTS ... DELETE: the delete runs only when the row qualifies.
  database.rows(
      "IF EXISTS(SELECT TOP 1 strCode FROM KX_IOItem where isnull(ts,0)=1 and strCode=N'2') "
      "delete from KX_IOItem where strCode=N'2'",
      &affected);
  EXPECT_EQ(affected, 1);
  database.rows("IF EXISTS(SELECT TOP 1 strCode FROM KX_IOItem where strCode=N'2') delete from KX_IOItem", &affected);
  EXPECT_EQ(affected, 0);
  EXPECT_EQ(database.rows("select count(*) from KX_IOItem"), "2");

  // IF (count) = 0 UPDATE ... ELSE UPDATE ...
  const char* settle =
      "if (Select Count(*) From KX_LoanVouch Where strTypeCode=(Select strCode From KX_OperationType Where "
      "strName=N'Loan') And blnBegin=0) = 0 update KX_OperationType set ts=100 where strCode=N'101'  "
      "else update KX_OperationType set ts=200 where strCode=N'101'";
  database.rows(settle, &affected);
  EXPECT_EQ(affected, 1);
  EXPECT_EQ(database.rows("select ts from KX_OperationType where strCode=N'101'"), "200");
  database.rows("update KX_LoanVouch set blnBegin = 1");
  database.rows(settle);
  EXPECT_EQ(database.rows("select ts from KX_OperationType where strCode=N'101'"), "100");

  // Variables filled by one SELECT and written by the next statement.
  database.rows(
      "declare @name nvarchar(255) declare @type nvarchar(255) "
      "select @name=strName,@type=strTypeCode from KX_IOItem where strCode=N'101'   "
      "Update KX_OperationType set strShowModel=@name ,strName=@type+N'!'  where strCode=N'202'",
      &affected);
  EXPECT_EQ(affected, 1);
  EXPECT_EQ(database.rows("select strShowModel, strName from KX_OperationType where strCode=N'202'"), "Salary|101!");
}

TEST(TsqlTranslator, BalancesADraftWithMoneyVariables) {
  const TsqlTestDatabase database;
  database.rows(
      "CREATE TABLE tempdb..vqtmpDraft ([inid] [int] NULL ,[md] [money] NULL ,[mc] [money] NULL ,"
      "[cdigest] [nvarchar] (100)  NULL ,) ON [PRIMARY]");
  database.rows(
      "insert into tempdb..vqtmpDraft values (1, 0.1, 0, N'a')\r\n"
      "insert into tempdb..vqtmpDraft values (2, 0.2, 0, N'b')\r\n"
      "insert into tempdb..vqtmpDraft values (3, 0, 0.25, N'c')\r\n"
      "insert into tempdb..vqtmpDraft values (4, 0, 0.05, N'd')");
  const char* balance =
      "declare @j money declare @d money declare @sy money declare @id int "
      "select @j=sum(md) from tempdb..vqtmpDraft select @d=sum(mc) from tempdb..vqtmpDraft set @sy=@j-@d "
      "if @sy>0 begin select @id=max(inid) from tempdb..vqtmpDraft where md=0 group by inid "
      "update tempdb..vqtmpDraft set mc=mc+@sy where inid=@id end  "
      "if @sy<0 begin select @id=max(inid) from tempdb..vqtmpDraft where mc=0 group by inid "
      "update tempdb..vqtmpDraft set md=md-@sy where inid=@id end ";
  long affected = 0;
  database.rows(balance, &affected);
  EXPECT_EQ(affected, 0);  // 0.3 against 0.3: balanced to the cent
  database.rows("update tempdb..vqtmpDraft set md = 0.5 where inid = 1");
  database.rows(balance, &affected);
  EXPECT_EQ(affected, 1);
  EXPECT_EQ(database.rows("select inid, mc from tempdb..vqtmpDraft where md = 0 order by inid"), "3|0.25;4|0.45");
  EXPECT_EQ(database.rows("select sum(md) - sum(mc) from tempdb..vqtmpDraft"), "0");
  // Money arithmetic written back stays exact to the ten-thousandth.
  database.rows("update tempdb..vqtmpDraft set md = 0.1 where inid = 1");
  database.rows("update tempdb..vqtmpDraft set md = md + md + md where inid = 1");
  EXPECT_EQ(database.plainRows("select md = 0.3 from tempdb.vqtmpDraft where inid = 1"), "1");
}

TEST(TsqlTranslator, MakesAndDropsTempTables) {
  const TsqlTestDatabase database;
  const char* exists = "select count(*) from tempdb..sysobjects where name=N'VQTMPK' and xtype=N'U'";
  database.rows(
      "if exists(select 1 from tempdb..sysobjects where name=N'vqtmpK' and xtype=N'U') drop table tempdb..vqtmpK");
  database.rows(
      "CREATE TABLE tempdb..vqtmpK ([ccode] [varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL ,"
      "[dtloandate] [datetime] NULL ,[dbllack] [decimal](18, 2) NULL,"
      "[autoid] [int] IDENTITY (1, 1) NOT NULL) ON [PRIMARY]");
  EXPECT_EQ(database.rows(exists), "1");
  long affected = 0;
  database.rows(
      "insert into tempdb..vqtmpK select * from(select ccode, dtloandate, dbllack from tempdb..vqtmpA "
      "union all select N'c', N'2005-8-4', 1.005)loan where dbllack<>0 order by ccode desc",
      &affected);
  EXPECT_EQ(affected, 3);
  EXPECT_EQ(database.rows("select autoid, ccode, dtloandate, dbllack from tempdb..vqtmpK order by autoid"),
            "1|c|2005-08-04 00:00:00|1.01;2|b|2005-08-03 00:00:00|50.5;3|A|2005-08-02 00:00:00|100");
  EXPECT_EQ(database.rows("select count(*) from tempdb..vqtmpK where ccode = N'C'"), "1");

  database.rows(
      "CREATE TABLE tempdb..[vqtmpP] ([csign] [nvarchar] (100)  NULL ,[bvouchedit] [bit] NOT NULL Default 0,"
      "[coutaccset] [nvarchar] (30)  NULL Default N'001',[ioutperiod] [int] NOT NULL Default N'8',"
      "[coutsysname] [nvarchar] (100)  NOT NULL Default 'KX',[mc] [money] NULL Default -1.5,"
      "[doutdate] [smalldatetime] NULL ,) ON [PRIMARY]");
  database.rows("insert into tempdb..vqtmpP (csign, doutdate) values (N'x', N'2005-8-2')");
  EXPECT_EQ(database.rows("select csign, bvouchedit, coutaccset, ioutperiod, coutsysname, mc, doutdate "
                          "from tempdb..vqtmpP where coutsysname = N'kx'"),
            "x|0|001|8|KX|-1.5|2005-08-02 00:00:00");

  const char* dropIfUserTable =
      "if exists (select * from tempdb..sysobjects where id = object_id(N'tempdb..vqtmpK') and "
      "OBJECTPROPERTY(id, N'IsUserTable') = 1)\r\ndrop table tempdb..vqtmpK";
  database.rows(dropIfUserTable);
  EXPECT_EQ(database.rows(exists), "0");
  database.rows(dropIfUserTable);  // a second drop finds nothing and does nothing
  database.rows("IF EXISTS(SELECT * FROM tempdb..sysobjects WHERE NAME = 'vqtmpp') \nDrop Table tempdb..vqtmpP");
  EXPECT_EQ(database.rows("select count(*) from tempdb..sysobjects"), "1");  // vqtmpA stays
  EXPECT_EQ(database.rows("select name from sysobjects where type='U' and name='kx_ioitem'"), "KX_IOItem");
  EXPECT_EQ(database.rows("select object_id(N'NoSuchTable'), object_id(N'dbo.vwKXLoan') > 0, "
                          "OBJECTPROPERTY(object_id(N'vwKXLoan'), N'IsUserTable')"),
            "NULL|1|0");
}

TEST(TsqlTranslator, SelectIntoKeepsTheColumnTypes) {
  const TsqlTestDatabase database;
  long affected = 0;
  database.rows(
      "select strVouchID as cNoteNo, dtLoanDate as dVouchDate, dblMoney as iAmount, N'user' AS cPerson, "
      "dblRate INTO tempdb..T0001 from KX_LoanVouch where AutoID < 3",
      &affected);
  EXPECT_EQ(affected, 2);
  EXPECT_EQ(database.rows("select cNoteNo from tempdb..T0001 where dVouchDate = N'2005-8-2'"), "L001");
  EXPECT_EQ(database.rows("select iAmount/8, convert(varchar(10), dblRate) from tempdb..T0001 order by cNoteNo"),
            "12.5|100.00;0.0125|33.35");
  EXPECT_EQ(database.rows("select * into tempdb..T0002 from (select ccode, dbllack from tempdb..vqtmpA) a "
                          "where dbllack > 60 select count(*) from tempdb..T0002 where ccode = N'a'"),
            "1");
  EXPECT_EQ(database.plainRows("select type from pragma_table_info('T0002', 'tempdb') order by cid"),
            "nvarchar(50);decimal(18,2)");
}

TEST(TsqlTranslator, KeepsOneProgramPerText) {
  const TsqlTestDatabase database;
  auto& translator = TsqlTranslator::shared();
  const auto first = translator.translate(database.db(), "select strCode from KX_IOItem");
  EXPECT_EQ(translator.translate(database.db(), "select strCode from KX_IOItem"), first);
  EXPECT_NE(translator.translate(database.db(), "select strCode from KX_IOItem "), first);
  // Another connection with the same schema shares the translation.
  const TsqlTestDatabase other;
  EXPECT_EQ(translator.translate(other.db(), "select strCode from KX_IOItem"), first);
}

// Only a program of one SELECT is read within a read transaction of its own; anything that may
// write runs outside it.
TEST(TsqlTranslator, TellsAProgramOfOneSelect) {
  const TsqlTestDatabase database;
  const struct {
    const char* tsql;
    bool single;
  } cases[] = {
      {"select strCode from KX_IOItem", true},
      {"  SELECT top 1 strCode from KX_IOItem order by strCode", true},
      {"update KX_IOItem set strName = 'x' where strCode = '1'", false},
      {"select strCode into #copy from KX_IOItem", false},
      {"select strCode from KX_IOItem; select strName from KX_IOItem", false},
      {"declare @n int select @n = count(*) from KX_IOItem select @n", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TsqlTranslator::shared().translate(database.db(), c.tsql)->isSingleSelect(), c.single) << c.tsql;
  }
}

// A translation reads column types from the schema, so a table made again with other types must
// not get the translation of the old one.
TEST(TsqlTranslator, ATableMadeAgainWithOtherTypesIsTranslatedAgain) {
  const TsqlTestDatabase database;
  const char* insert = "insert into tempdb..vqtmpRemade (v) values (N'2005-8-2')";
  database.exec("CREATE TABLE tempdb.vqtmpRemade (v datetime)");
  database.rows(insert);
  EXPECT_EQ(database.rows("select v from tempdb..vqtmpRemade"), "2005-08-02 00:00:00");
  database.exec("DROP TABLE tempdb.vqtmpRemade; CREATE TABLE tempdb.vqtmpRemade (v nvarchar(20))");
  database.rows(insert);
  EXPECT_EQ(database.rows("select v from tempdb..vqtmpRemade"), "2005-8-2");
}

// A translation stands on the schemas its names were looked up in. A name without its schema is
// looked up in temp, main and then the attached databases: a table made in main under the name
// of one in tempdb takes its place for a text read before, and a change elsewhere does not.
TEST(TsqlTranslator, ANameWithoutItsSchemaFollowsATableMadeAheadOfIt) {
  const TsqlTestDatabase database;
  const char* insert = "insert into vqtmpAhead (v) values (N'2005-8-2')";
  database.exec("CREATE TABLE tempdb.vqtmpAhead (v datetime)");
  database.rows(insert);
  EXPECT_EQ(database.plainRows("select v from tempdb.vqtmpAhead"), "2005-08-02 00:00:00");
  database.exec("CREATE TABLE vqsystem.vqtmpElsewhere (v int)");
  database.rows(insert);
  EXPECT_EQ(database.plainRows("select v from tempdb.vqtmpAhead"), "2005-08-02 00:00:00;2005-08-02 00:00:00");
  database.exec("CREATE TABLE main.vqtmpAhead (v nvarchar(20))");
  database.rows(insert);
  EXPECT_EQ(database.plainRows("select v from main.vqtmpAhead"), "2005-8-2");
}

// The columns a connection's translations read are kept for its next texts, but only while the
// schema is unchanged: a text first seen after the table was made again reads the new types.
TEST(TsqlTranslator, ColumnsKeptForAConnectionAreForgottenWhenItsSchemaChanges) {
  const TsqlTestDatabase database;
  CatalogMemo memo;
  const auto run = [&](const std::string& text) {
    TsqlTranslator::shared().translate(database.db(), text, nullptr, &memo)->run(database.db(), RowsHandler());
  };
  database.exec("CREATE TABLE tempdb.vqtmpKept (v datetime)");
  run("insert into tempdb..vqtmpKept (v) values (N'2005-8-2')");
  run("insert into tempdb..vqtmpKept (v) values (N'2005-8-3')");  // another text, the kept columns
  EXPECT_EQ(database.plainRows("select v from tempdb.vqtmpKept"), "2005-08-02 00:00:00;2005-08-03 00:00:00");
  database.exec("DROP TABLE tempdb.vqtmpKept; CREATE TABLE tempdb.vqtmpKept (v nvarchar(20))");
  run("insert into tempdb..vqtmpKept (v) values (N'2005-8-4')");
  EXPECT_EQ(database.plainRows("select v from tempdb.vqtmpKept"), "2005-8-4");
}

}  // namespace
}  // namespace corvane::db
