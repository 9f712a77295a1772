#include "platform/db/Recordset.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "support/ConnectionTestAccount.h"
#include "support/ErrorNumber.h"

namespace corvane::db {
namespace {

const char* const kCompanySql =
    "CREATE TABLE Sample ("
    " id int NOT NULL PRIMARY KEY, strCode varchar(20) NOT NULL, strName nvarchar(50),"
    " chrFlag char(2), nchFlag nchar(3), txtMemo text, ntxMemo ntext,"
    " intSmall smallint, intTiny tinyint, intBig bigint, blnDone bit,"
    " dblMoney money, dblSmall smallmoney, decAmount decimal(18, 2), fltRate float, realRate real,"
    " dtDate datetime, dtSmall smalldatetime, GUID uniqueidentifier);"
    "INSERT INTO Sample VALUES (1, 'A01', '名称', 'X', 'YZ', 'memo', '备注', 7, 200, 5000000000,"
    " 1, 1234.5678, 12.5, 99.99, 0.125, 2.5, '2005-08-02 14:30:05', '2005-08-02 00:00:00',"
    " '{6F9619FF-8B86-D011-B42D-00C04FC964FF}');"
    "INSERT INTO Sample (id, strCode) VALUES (2, 'A02');"
    "CREATE VIEW vwSample AS SELECT id, strCode AS strShownCode, dblMoney FROM Sample;";
const char* const kSystemSql =
    "CREATE TABLE Operator (cUser_ID varchar(20) PRIMARY KEY, cUser_Name nvarchar(40));"
    "INSERT INTO Operator VALUES ('demo', 'Demo');";
const char* const kTempSql =
    "CREATE TABLE Seven (n int, strName nvarchar(10));"
    "INSERT INTO Seven VALUES (1, 'a'), (2, 'b'), (3, 'c'), (4, 'd'), (5, 'e'), (6, 'f'), (7, 'g');"
    // Columns without a declared type, as a table made from a query may have.
    "CREATE TABLE Loose (i, r, t);"
    "INSERT INTO Loose VALUES (1, 1, 'a'), (2, 2.5, 3);";

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override { connection.open(account.connectionString()); }

  // A query read, its table made again with other columns, the query read again.
  void expectTheTableMadeAgainIsRead();

  Recordset openSet(const std::string& sql, CursorType cursor = adOpenStatic) {
    Recordset recordset;
    recordset.open(sql, connection, cursor);
    return recordset;
  }

  ConnectionTestAccount account{kCompanySql, kSystemSql, kTempSql};
  Connection connection;
};

TEST_F(RecordsetTest, FieldsTakeTypeSizeAndNullabilityFromTheDeclaredColumns) {
  struct Case {
    const char* name;
    DataType type;
    long definedSize;
    bool nullable;
  };
  static const Case cases[] = {
      {"id", adInteger, 4, false},
      {"strCode", adVarChar, 20, false},
      {"strName", adVarWChar, 50, true},
      {"chrFlag", adChar, 2, true},
      {"nchFlag", adWChar, 3, true},
      {"txtMemo", adLongVarChar, 2147483647, true},
      {"ntxMemo", adLongVarWChar, 1073741823, true},
      {"intSmall", adSmallInt, 2, true},
      {"intTiny", adUnsignedTinyInt, 1, true},
      {"intBig", adBigInt, 8, true},
      {"blnDone", adBoolean, 2, true},
      {"dblMoney", adCurrency, 8, true},
      {"dblSmall", adCurrency, 4, true},
      {"decAmount", adNumeric, 19, true},
      {"fltRate", adDouble, 8, true},
      {"realRate", adSingle, 4, true},
      {"dtDate", adDBTimeStamp, 16, true},
      {"dtSmall", adDBTimeStamp, 16, true},
      {"GUID", adGUID, 16, true},
  };
  const Recordset recordset = openSet("SELECT * FROM Sample ORDER BY id");
  ASSERT_EQ(recordset.fieldCount(), static_cast<int>(std::size(cases)));
  for (int index = 0; index < recordset.fieldCount(); ++index) {
    const Case& c = cases[index];
    const Field& field = recordset.field(index);
    EXPECT_EQ(field.name(), c.name);
    EXPECT_EQ(field.type(), c.type) << c.name;
    EXPECT_EQ(field.definedSize(), c.definedSize) << c.name;
    EXPECT_EQ(field.isNullable(), c.nullable) << c.name;
  }
  EXPECT_EQ(recordset.field("decAmount").precision(), 18);
  EXPECT_EQ(recordset.field("decAmount").numericScale(), 2);
}

TEST_F(RecordsetTest, ValuesTakeTheKindOfTheirFieldType) {
  struct Case {
    const char* name;
    Variant expected;
  };
  const Case cases[] = {
      {"id", Variant::longValue(1)},
      {"strCode", Variant("A01")},
      {"strName", Variant("名称")},
      {"chrFlag", Variant("X")},
      {"ntxMemo", Variant("备注")},
      {"intSmall", Variant::integer(7)},
      {"intTiny", Variant::integer(200)},
      {"intBig", Variant::dbl(5000000000.0)},
      {"blnDone", Variant::boolean(true)},
      {"dblMoney", Variant(Currency::fromScaled(12345678))},
      {"dblSmall", Variant(Currency::fromScaled(125000))},
      {"decAmount", Variant(Currency::fromScaled(999900))},
      {"fltRate", Variant::dbl(0.125)},
      {"realRate", Variant::dbl(2.5)},
      {"dtDate", Variant(DateTime{2005, 8, 2, 14, 30, 5})},
      {"dtSmall", Variant(DateTime{2005, 8, 2})},
      {"GUID", Variant("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
  };
  Recordset recordset = openSet("SELECT * FROM Sample ORDER BY id");
  for (const Case& c : cases) EXPECT_EQ(recordset.field(c.name).value(), c.expected) << c.name;

  recordset.moveNext();
  for (const Case& c : cases) {
    if (recordset.field(c.name).isNullable()) {
      EXPECT_TRUE(recordset.field(c.name).value().isNull()) << c.name;
    }
  }
  EXPECT_EQ(recordset.field("strCode").value(), Variant("A02"));
}

TEST_F(RecordsetTest, ExpressionsAreTypedFromTheirValues) {
  struct Case {
    const char* name;
    DataType type;
    Variant firstValue;
  };
  const Case cases[] = {
      {"n", adInteger, Variant::longValue(7)},    {"total", adDouble, Variant::dbl(28.0)},
      {"label", adVarWChar, Variant("one")},      {"big", adBigInt, Variant::longValue(1000000000)},
      {"nullValue", adVarWChar, Variant::null()},
  };
  Recordset recordset = openSet(
      "SELECT (SELECT count(*) FROM tempdb..Seven) AS n, (SELECT sum(n * 1.0) FROM tempdb..Seven) AS total,"
      " CASE WHEN n = 1 THEN 'one' ELSE strName END AS label,"
      " n * 1000000000 AS big, NULL AS nullValue FROM tempdb..Seven ORDER BY n");
  for (const Case& c : cases) {
    EXPECT_EQ(recordset.field(c.name).type(), c.type) << c.name;
    EXPECT_EQ(recordset.field(c.name).value(), c.firstValue) << c.name;
  }
  EXPECT_EQ(recordset.field("label").definedSize(), 3);
  recordset.moveLast();
  EXPECT_EQ(recordset.field("big").value(), Variant::dbl(7000000000.0));
}

TEST_F(RecordsetTest, UntypedColumnsTakeATypeThatAllTheirValuesFit) {
  struct Case {
    const char* name;
    DataType type;
    Variant first;
    Variant second;
  };
  const Case cases[] = {
      {"i", adInteger, Variant::longValue(1), Variant::longValue(2)},
      {"r", adDouble, Variant::dbl(1.0), Variant::dbl(2.5)},
      {"t", adVarWChar, Variant("a"), Variant("3")},
  };
  Recordset recordset = openSet("SELECT * FROM tempdb..Loose ORDER BY i");
  for (const Case& c : cases) {
    EXPECT_EQ(recordset.field(c.name).type(), c.type) << c.name;
    EXPECT_EQ(recordset.field(c.name).value(), c.first) << c.name;
  }
  recordset.moveNext();
  for (const Case& c : cases) EXPECT_EQ(recordset.field(c.name).value(), c.second) << c.name;
}

TEST_F(RecordsetTest, AnEmptyResultKeepsItsFieldsAndIsAtBothEnds) {
  Recordset recordset = openSet("SELECT * FROM Sample WHERE 1 = 2");
  ASSERT_TRUE(recordset.isOpen());
  EXPECT_EQ(recordset.fieldCount(), 19);
  EXPECT_EQ(recordset.field("dblMoney").type(), adCurrency);
  EXPECT_TRUE(recordset.eof());
  EXPECT_TRUE(recordset.bof());
  EXPECT_EQ(recordset.recordCount(), 0);
  EXPECT_EQ(errorNumberOf([&] { recordset.field("id").value(); }), errnum::kDbNoCurrentRecord);
  EXPECT_EQ(errorNumberOf([&] { recordset.moveNext(); }), errnum::kDbNoCurrentRecord);
  EXPECT_EQ(errorNumberOf([&] { recordset.movePrevious(); }), errnum::kDbNoCurrentRecord);
  recordset.moveFirst();
  recordset.moveLast();
  EXPECT_TRUE(recordset.eof() && recordset.bof());
}

TEST_F(RecordsetTest, MovesBothWaysAndRaisesPastTheEnds) {
  Recordset recordset = openSet("SELECT n FROM tempdb..Seven ORDER BY n", adOpenForwardOnly);
  EXPECT_EQ(recordset.recordCount(), 7);
  EXPECT_FALSE(recordset.bof());
  EXPECT_EQ(recordset.field("n").value(), Variant::longValue(1));
  long sum = 0;
  for (; !recordset.eof(); recordset.moveNext()) sum += recordset.field("n").value().asLong();
  EXPECT_EQ(sum, 28);
  EXPECT_TRUE(recordset.eof());
  EXPECT_FALSE(recordset.bof());
  EXPECT_EQ(errorNumberOf([&] { recordset.moveNext(); }), errnum::kDbNoCurrentRecord);
  EXPECT_EQ(errorNumberOf([&] { recordset.field("n").value(); }), errnum::kDbNoCurrentRecord);

  recordset.movePrevious();
  EXPECT_EQ(recordset.field("n").value(), Variant::longValue(7));
  recordset.moveFirst();
  recordset.movePrevious();
  EXPECT_TRUE(recordset.bof());
  EXPECT_FALSE(recordset.eof());
  EXPECT_EQ(errorNumberOf([&] { recordset.movePrevious(); }), errnum::kDbNoCurrentRecord);
  recordset.moveNext();
  EXPECT_EQ(recordset.field("n").value(), Variant::longValue(1));
  recordset.moveLast();
  EXPECT_EQ(recordset.field("n").value(), Variant::longValue(7));
  EXPECT_FALSE(recordset.eof());
}

TEST_F(RecordsetTest, FieldNamesIgnoreCaseAndTheFirstOfTwoNamesWins) {
  Recordset recordset = openSet(
      "SELECT a.n, b.n AS N, a.strName AS 单据编号 FROM tempdb..Seven a"
      " JOIN tempdb..Seven b ON b.n = a.n + 1 ORDER BY a.n");
  EXPECT_EQ(recordset.field("N").value(), Variant::longValue(1));
  EXPECT_EQ(recordset.field(1).value(), Variant::longValue(2));
  EXPECT_EQ(recordset.field("单据编号").value(), Variant("a"));
  EXPECT_TRUE(recordset.hasField("n"));
  EXPECT_FALSE(recordset.hasField("n2"));
  for (const auto& lookUp : std::initializer_list<std::function<void()>>{
           [&] { recordset.field("missing"); }, [&] { recordset.field(-1); }, [&] { recordset.field(3); }}) {
    EXPECT_EQ(errorNumberOf(lookUp), errnum::kDbItemNotFound);
  }
}

TEST_F(RecordsetTest, FieldNamesAreSpelledAsTheQueryWritesThem) {
  const Recordset recordset = openSet(
      "SELECT strcode, STRNAME AS [Label], Shown = intsmall, s.* FROM Sample s WHERE id = 1"
      " UNION ALL SELECT strCode, strName, intSmall, * FROM Sample WHERE id = 2");
  const char* const expected[] = {"strcode", "Label", "Shown", "id", "strCode", "strName"};
  for (int index = 0; index < static_cast<int>(std::size(expected)); ++index) {
    EXPECT_EQ(recordset.field(index).name(), expected[index]);
  }
  EXPECT_EQ(recordset.field(0).info().baseColumn, "strCode");

  const Recordset derived = openSet("SELECT CUSER_ID, x.cuser_name FROM (SELECT * FROM vqsystem..Operator) x");
  EXPECT_EQ(derived.field(0).name(), "CUSER_ID");
  EXPECT_EQ(derived.field(1).name(), "cuser_name");
}

// Casts, converts and functions of a known type give their fields that type; other expressions
// are typed from their values.
TEST_F(RecordsetTest, ExpressionsTakeTheTypeTheirCastOrFunctionGives) {
  struct Case {
    const char* name;
    DataType type;
    long definedSize;
    Variant value;
  };
  const Case cases[] = {
      {"toVarChar", adVarChar, 10, Variant("1")},
      {"dateText", adVarChar, 10, Variant("2005-08-02")},
      {"unsized", adVarChar, 30, Variant("A01")},
      {"toNVarChar", adVarWChar, 20, Variant("A01")},
      {"toMoney", adCurrency, 8, Variant(Currency::fromScaled(50000000000000))},
      {"toDecimal", adNumeric, 19, Variant(Currency::fromScaled(1300))},
      {"toFloat", adDouble, 8, Variant::dbl(1.0)},
      {"toInt", adInteger, 4, Variant::longValue(1234)},
      {"toDate", adDBTimeStamp, 16, Variant(DateTime{2005, 8, 2})},
      {"length", adInteger, 4, Variant::longValue(3)},
      {"largest", adVarChar, 10, Variant("A02")},
      {"orZero", adCurrency, 8, Variant(Currency::fromScaled(12345678))},
  };
  const Recordset recordset = openSet(
      "SELECT CAST(id AS varchar(10)) AS toVarChar, CONVERT(varchar(10), dtDate, 120) AS dateText,"
      " CAST(strCode AS varchar) AS unsized, CONVERT(nvarchar(20), strCode) AS toNVarChar,"
      " CAST(intBig AS money) AS toMoney, CAST(fltRate AS decimal(18, 2)) AS toDecimal,"
      " CAST(id AS float) AS toFloat, CONVERT(int, dblMoney) AS toInt, CAST('2005-8-2' AS datetime) AS toDate,"
      " len(strCode) AS length, (SELECT max(CAST(strCode AS varchar(10))) FROM Sample) AS largest,"
      " isnull(CAST(dblMoney AS money), 0) AS orZero FROM Sample WHERE id = 1");
  for (const Case& c : cases) {
    EXPECT_EQ(recordset.field(c.name).type(), c.type) << c.name;
    EXPECT_EQ(recordset.field(c.name).definedSize(), c.definedSize) << c.name;
    EXPECT_EQ(recordset.field(c.name).value(), c.value) << c.name;
  }
  EXPECT_EQ(recordset.field("toDecimal").precision(), 18);
  EXPECT_EQ(recordset.field("toDecimal").numericScale(), 2);
}

TEST_F(RecordsetTest, ReadsTheAttachedFilesAndViews) {
  Recordset users = openSet("SELECT * FROM vqsystem..Operator");
  EXPECT_EQ(users.field("cUser_Name").value(), Variant("Demo"));
  EXPECT_FALSE(users.field("cUser_ID").isNullable());
  EXPECT_EQ(users.field("cUser_ID").info().baseSchema, "vqsystem");

  const Recordset view = openSet("SELECT * FROM vwSample WHERE id = 1");
  EXPECT_EQ(view.field("strShownCode").type(), adVarChar);
  EXPECT_EQ(view.field("strShownCode").info().baseTable, "Sample");
  EXPECT_EQ(view.field("strShownCode").info().baseColumn, "strCode");
  EXPECT_EQ(view.field("dblMoney").value(), Variant(Currency::fromScaled(12345678)));
}

TEST_F(RecordsetTest, AQueryRunAgainIsDescribedAgainWhenItsTableIsMadeAgain) {
  for (const bool inTransaction : {true, false}) {
    SCOPED_TRACE(inTransaction ? "in a transaction" : "alone");
    if (inTransaction) connection.beginTrans();
    expectTheTableMadeAgainIsRead();
    if (inTransaction) connection.rollbackTrans();
  }
}

void RecordsetTest::expectTheTableMadeAgainIsRead() {
  connection.execute("DROP TABLE tempdb..Seven");
  connection.execute("CREATE TABLE tempdb..Seven (n int, strName nvarchar(10))");
  connection.execute("INSERT INTO tempdb..Seven VALUES (1, '5')");
  const std::string query = "SELECT *, strName + strName AS twice FROM tempdb..Seven WHERE n = 1";
  const Recordset before = openSet(query);
  EXPECT_EQ(before.fieldCount(), 3);
  EXPECT_TRUE(before.field("strName").isNullable());
  EXPECT_EQ(before.field("strName").definedSize(), 10);
  EXPECT_EQ(before.field("twice").value(), Variant("55"));  // texts join

  connection.execute("DROP TABLE tempdb..Seven");
  connection.execute("CREATE TABLE tempdb..Seven (n int, strName int NOT NULL, dblMoney money)");
  connection.execute("INSERT INTO tempdb..Seven VALUES (1, 5, 2.5)");
  const Recordset after = openSet(query);
  EXPECT_EQ(after.fieldCount(), 4);
  EXPECT_FALSE(after.field("strName").isNullable());
  EXPECT_EQ(after.field("dblMoney").type(), adCurrency);
  EXPECT_EQ(CLng(after.field("twice").value()), 10);  // numbers add
}

// A query outside a transaction is read in one of its own, which it never leaves open: whether
// it reads, fails or writes (a write is committed, as it always was). Inside a transaction the
// query is part of it.
TEST_F(RecordsetTest, AQueryLeavesTheConnectionInTheTransactionItFound) {
  Connection other;
  other.open(account.connectionString());
  const auto nameOfSecond = [&] {
    Recordset second;
    second.open("SELECT strName FROM Sample WHERE id = 2", other);
    return second.field("strName").value();
  };
  const struct {
    const char* sql;
    bool fails;
  } cases[] = {
      {"SELECT id FROM Sample", false},
      {"SELECT id FROM NoSuchTable", true},
      {"UPDATE Sample SET strName = 'x' WHERE id = 2", false},
      {"UPDATE Sample SET strName = 'y' WHERE id = 2; SELECT strName FROM Sample WHERE id = 2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    Recordset recordset;
    if (c.fails) {
      EXPECT_NE(errorNumberOf([&] { recordset.open(c.sql, connection); }), 0);
    } else {
      recordset.open(c.sql, connection);
    }
    EXPECT_FALSE(connection.inTransaction());
  }
  EXPECT_EQ(nameOfSecond(), Variant("y"));

  connection.beginTrans();
  connection.execute("UPDATE Sample SET strName = 'z' WHERE id = 2");
  EXPECT_EQ(openSet("SELECT strName FROM Sample WHERE id = 2").field("strName").value(), Variant("z"));
  EXPECT_TRUE(connection.inTransaction());
  connection.rollbackTrans();
  EXPECT_EQ(nameOfSecond(), Variant("y"));
}

TEST_F(RecordsetTest, ATextWithoutRowsLeavesTheSetClosed) {
  Recordset recordset;
  recordset.open("UPDATE Sample SET strName = 'x' WHERE id = 2", connection);
  EXPECT_FALSE(recordset.isOpen());
  for (const auto& use :
       std::initializer_list<std::function<void()>>{[&] { recordset.eof(); }, [&] { recordset.moveNext(); },
                                                    [&] { recordset.recordCount(); }, [&] { recordset.field(0); }}) {
    EXPECT_EQ(errorNumberOf(use), kErrObjectClosed);
  }
  recordset.open("SELECT id FROM Sample", connection);
  EXPECT_EQ(errorNumberOf([&] { recordset.open("SELECT id FROM Sample", connection); }), kErrObjectOpen);
  recordset.close();
  EXPECT_FALSE(recordset.isOpen());

  Connection closed;
  EXPECT_EQ(errorNumberOf([&] { recordset.open("SELECT id FROM Sample", closed); }), kErrObjectClosed);
  EXPECT_THROW(recordset.open("SELECT * FROM NoSuchTable", connection), RuntimeError);
  EXPECT_FALSE(recordset.isOpen());
}

}  // namespace
}  // namespace corvane::db
