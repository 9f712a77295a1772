#include <gtest/gtest.h>

#include <functional>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionTestAccount.h"
#include "platform/db/Recordset.h"

namespace corvane::db {
namespace {

std::int32_t errorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& error) {
    return error.number();
  }
  return 0;
}

const char* const kCompanySql =
    // A lock table whose rows are found by a unique index.
    "CREATE TABLE gl_mvocontrol (coutsysname nvarchar(50) NOT NULL, coutsign nvarchar(50) NOT NULL,"
    " coutno_id nvarchar(50) NOT NULL, cauth nvarchar(20), cuser nvarchar(20), cmachine nvarchar(50));"
    "CREATE UNIQUE INDEX IX_gl_mvocontrol ON gl_mvocontrol (coutsysname, coutsign, coutno_id);"
    // An identity key, defaults, and a trigger that writes elsewhere.
    "CREATE TABLE KX_Item (AutoID INTEGER PRIMARY KEY AUTOINCREMENT, strCode varchar(20) NOT NULL,"
    " strName nvarchar(50), dblMoney money, dtDate datetime, blnEnd bit NOT NULL DEFAULT 0);"
    "CREATE TABLE KX_ItemLog (AutoID int);"
    "CREATE TRIGGER trKX_Item AFTER UPDATE ON KX_Item BEGIN INSERT INTO KX_ItemLog VALUES (new.AutoID); END;"
    "INSERT INTO KX_Item (strCode, strName) VALUES ('01', 'one'), ('02', 'two'), ('03', 'three');"
    // A plain primary key.
    "CREATE TABLE UA_Period (iId int PRIMARY KEY, dBegin datetime NOT NULL, bisdelete bit);"
    "INSERT INTO UA_Period VALUES (1, '2005-01-01 00:00:00', 0), (2, '2005-02-01 00:00:00', 0);";
const char* const kTempSql =
    "CREATE TABLE Draft (inid int, ccode nvarchar(20), mc money);"
    "INSERT INTO Draft VALUES (5, 'A', 1), (7, 'B', 2), (9, 'C', 3);";

class RecordsetUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override { connection.open(account.connectionString()); }

  Recordset openSet(const std::string& sql, LockType lock) {
    Recordset recordset;
    recordset.open(sql, connection, adOpenStatic, lock);
    return recordset;
  }
  std::string company(const std::string& sql) const {
    return ConnectionTestAccount::scalar(account.files().company(), sql);
  }
  std::string temp(const std::string& sql) const {
    return ConnectionTestAccount::scalar(account.files().tempdb(), sql);
  }

  ConnectionTestAccount account{kCompanySql, "", kTempSql};
  Connection connection;
};

TEST_F(RecordsetUpdateTest, AReadOnlySetRefusesEveryEdit) {
  Recordset recordset = openSet("SELECT * FROM KX_Item", adLockReadOnly);
  for (const auto& edit : std::initializer_list<std::function<void()>>{
           [&] { recordset.addNew(); }, [&] { recordset.field("strName").setValue(Variant("x")); },
           [&] { recordset.update(); }, [&] { recordset.deleteRecord(); }, [&] { recordset.updateBatch(); }}) {
    EXPECT_EQ(errorNumberOf(edit), kErrNotUpdatable);
  }
  EXPECT_EQ(company("SELECT strName FROM KX_Item WHERE AutoID = 1"), "one");
}

TEST_F(RecordsetUpdateTest, AddsAndDeletesLockRowsFoundByAUniqueIndex) {
  Recordset lock = openSet("SELECT * FROM gl_mvocontrol WHERE 1 = 2", adLockOptimistic);
  lock.addNew();
  lock.field("coutsysname").setValue(Variant("KX"));
  lock.field("coutsign").setValue(Variant("记"));
  lock.field("coutno_id").setValue(Variant("K0001"));
  lock.field("cuser").setValue(Variant("demo"));
  EXPECT_EQ(company("SELECT count(*) FROM gl_mvocontrol"), "0") << "nothing is written before update";
  lock.update();
  EXPECT_EQ(company("SELECT cuser FROM gl_mvocontrol WHERE coutno_id = 'K0001'"), "demo");
  EXPECT_EQ(company("SELECT cmachine IS NULL FROM gl_mvocontrol"), "1");

  Recordset unlock = openSet(
      "SELECT * FROM gl_mvocontrol WHERE coutsysname = N'KX' AND coutsign = N'记' AND coutno_id = N'K0001'",
      adLockOptimistic);
  ASSERT_EQ(unlock.recordCount(), 1);
  unlock.deleteRecord();
  EXPECT_EQ(company("SELECT count(*) FROM gl_mvocontrol"), "0");
}

TEST_F(RecordsetUpdateTest, AnAddedRowLearnsItsIdentityAndTakesTheTableDefaults) {
  Recordset items = openSet("SELECT * FROM KX_Item WHERE 1 = 2", adLockOptimistic);
  items.addNew();
  items.field("strCode").setValue(Variant("04"));
  items.field("dblMoney").setValue(Variant("12.5"));
  items.field("dtDate").setValue(Variant(DateTime{2005, 8, 2}));
  items.update();
  EXPECT_EQ(items.field("AutoID").value(), Variant::longValue(4));
  EXPECT_EQ(items.field("dblMoney").value(), Variant(Currency::fromScaled(125000)));
  EXPECT_EQ(company("SELECT strCode || '|' || dblMoney || '|' || dtDate || '|' || blnEnd FROM KX_Item WHERE AutoID = 4"),
            "04|12.5|2005-08-02 00:00:00|0");

  items.field("strName").setValue(Variant("four"));
  items.field("blnEnd").setValue(Variant::boolean(true));
  items.update();
  EXPECT_EQ(company("SELECT strName || '|' || blnEnd FROM KX_Item WHERE AutoID = 4"), "four|1");
  EXPECT_EQ(company("SELECT count(*) FROM KX_ItemLog"), "1") << "one update statement for the row";
}

TEST_F(RecordsetUpdateTest, MovingOffOrAddingAnotherWritesTheCurrentRecord) {
  Recordset items = openSet("SELECT AutoID, strCode, strName FROM KX_Item ORDER BY AutoID", adLockOptimistic);
  items.field("strName").setValue(Variant("first"));
  items.moveNext();
  EXPECT_EQ(company("SELECT strName FROM KX_Item WHERE AutoID = 1"), "first");

  items.addNew();
  items.field("strCode").setValue(Variant("05"));
  items.addNew();
  EXPECT_EQ(company("SELECT count(*) FROM KX_Item WHERE strCode = '05'"), "1");
  items.field("strCode").setValue(Variant("06"));
  items.moveFirst();
  EXPECT_EQ(company("SELECT count(*) FROM KX_Item"), "5");
  EXPECT_EQ(items.recordCount(), 5);
}

TEST_F(RecordsetUpdateTest, AChangedKeyFindsTheRowByItsOldValue) {
  Recordset periods = openSet("SELECT * FROM UA_Period ORDER BY iId", adLockOptimistic);
  periods.field("iId").setValue(Variant("10"));
  EXPECT_EQ(periods.field("iId").value(), Variant::longValue(10)) << "the value takes the field's type";
  periods.update();
  EXPECT_EQ(company("SELECT group_concat(iId) FROM (SELECT iId FROM UA_Period ORDER BY iId)"), "2,10");
}

TEST_F(RecordsetUpdateTest, ValuesThatDoNotConvertAreRefused) {
  Recordset periods = openSet("SELECT * FROM UA_Period ORDER BY iId", adLockOptimistic);
  struct Case {
    const char* field;
    Variant value;
  };
  const Case cases[] = {{"iId", Variant("abc")}, {"dBegin", Variant("not a date")}, {"bisdelete", Variant("maybe")}};
  for (const Case& c : cases) {
    EXPECT_EQ(errorNumberOf([&] { periods.field(c.field).setValue(c.value); }), kErrMultipleStep) << c.field;
  }
  periods.field("bisdelete").setValue(Variant::null());
  EXPECT_TRUE(periods.field("bisdelete").value().isNull());
  periods.moveLast();
  EXPECT_EQ(company("SELECT bisdelete IS NULL FROM UA_Period WHERE iId = 1"), "1");
  EXPECT_EQ(errorNumberOf([&] { periods.moveNext(); periods.field("iId").setValue(Variant("3")); }),
            errnum::kDbNoCurrentRecord);
}

TEST_F(RecordsetUpdateTest, ARowThatIsGoneRaisesRowNotFound) {
  Recordset edited = openSet("SELECT * FROM KX_Item ORDER BY AutoID", adLockOptimistic);
  Recordset deleted = openSet("SELECT * FROM KX_Item ORDER BY AutoID", adLockOptimistic);
  connection.execute("DELETE FROM KX_Item WHERE AutoID = 1");
  edited.field("strName").setValue(Variant("late"));
  EXPECT_EQ(errorNumberOf([&] { edited.update(); }), kErrRowNotFound);
  EXPECT_EQ(errorNumberOf([&] { deleted.deleteRecord(); }), kErrRowNotFound);
  EXPECT_EQ(deleted.field("AutoID").value(), Variant::longValue(1)) << "a failed delete keeps the record";
  EXPECT_EQ(deleted.recordCount(), 3);
}

TEST_F(RecordsetUpdateTest, ADeletedRecordStaysCurrentUntilTheSetMoves) {
  Recordset items = openSet("SELECT * FROM KX_Item ORDER BY AutoID", adLockOptimistic);
  items.moveNext();
  items.deleteRecord();
  EXPECT_FALSE(items.eof());
  EXPECT_EQ(errorNumberOf([&] { items.field("strCode").value(); }), errnum::kDbNoCurrentRecord);
  EXPECT_EQ(items.recordCount(), 2);
  items.moveNext();
  EXPECT_EQ(items.field("strCode").value(), Variant("03"));

  items.moveFirst();
  while (!items.eof()) {
    items.deleteRecord();
    items.moveNext();
  }
  EXPECT_TRUE(items.bof());
  EXPECT_EQ(items.recordCount(), 0);
  EXPECT_EQ(company("SELECT count(*) FROM KX_Item"), "0");
}

TEST_F(RecordsetUpdateTest, ABatchWaitsForUpdateBatchAndFindsKeylessRowsByRowid) {
  Recordset draft = openSet("SELECT * FROM tempdb..Draft ORDER BY inid", adLockBatchOptimistic);
  for (std::int32_t number = 1; !draft.eof(); draft.moveNext(), ++number) {
    draft.field("inid").setValue(Variant::longValue(number));
  }
  draft.addNew();
  draft.field("inid").setValue(Variant::longValue(4));
  draft.field("ccode").setValue(Variant("D"));
  draft.update();
  draft.moveFirst();
  draft.moveNext();
  draft.deleteRecord();
  EXPECT_EQ(temp("SELECT group_concat(inid || ccode) FROM (SELECT * FROM Draft ORDER BY rowid)"), "5A,7B,9C");

  draft.updateBatch();
  EXPECT_EQ(temp("SELECT group_concat(inid || ccode) FROM (SELECT * FROM Draft ORDER BY rowid)"), "1A,3C,4D");
  draft.updateBatch();  // nothing pending any more
  EXPECT_EQ(temp("SELECT count(*) FROM Draft"), "3");
}

TEST_F(RecordsetUpdateTest, AFailingBatchWritesNothingAndStaysPending) {
  Recordset periods = openSet("SELECT * FROM UA_Period ORDER BY iId", adLockBatchOptimistic);
  periods.field("bisdelete").setValue(Variant::boolean(true));
  periods.addNew();
  periods.field("iId").setValue(Variant::longValue(3));  // dBegin NOT NULL is missing
  EXPECT_NE(errorNumberOf([&] { periods.updateBatch(); }), 0);
  EXPECT_EQ(company("SELECT group_concat(iId || ':' || bisdelete) FROM UA_Period"), "1:0,2:0");
  EXPECT_FALSE(connection.inTransaction());

  periods.field("dBegin").setValue(Variant(DateTime{2005, 3, 1}));
  periods.updateBatch();
  EXPECT_EQ(company("SELECT group_concat(iId || ':' || coalesce(bisdelete, '-')) FROM UA_Period"), "1:1,2:0,3:-");
}

TEST_F(RecordsetUpdateTest, EditsJoinTheConnectionsTransaction) {
  connection.beginTrans();
  Recordset items = openSet("SELECT * FROM KX_Item ORDER BY AutoID", adLockBatchOptimistic);
  items.field("strName").setValue(Variant("changed"));
  items.deleteRecord();
  items.updateBatch();
  EXPECT_TRUE(connection.inTransaction());
  connection.rollbackTrans();
  EXPECT_EQ(company("SELECT strName FROM KX_Item WHERE AutoID = 1"), "one");
}

TEST_F(RecordsetUpdateTest, RowsOfSeveralTablesCannotBeWritten) {
  Recordset joined = openSet(
      "SELECT i.strCode, p.dBegin FROM KX_Item i JOIN UA_Period p ON p.iId = i.AutoID", adLockOptimistic);
  joined.field("strCode").setValue(Variant("x"));
  EXPECT_EQ(errorNumberOf([&] { joined.update(); }), errnum::kDbUnspecified);
  Recordset computed = openSet("SELECT count(*) AS n FROM KX_Item", adLockBatchOptimistic);
  computed.field("n").setValue(Variant::longValue(9));
  EXPECT_EQ(errorNumberOf([&] { computed.updateBatch(); }), errnum::kDbUnspecified);
}

}  // namespace
}  // namespace corvane::db
