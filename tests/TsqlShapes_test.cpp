// The batch, temp-table and arithmetic shapes the business code sends, run on the demo account
// through Connection as the code runs them, each checked by the rows a query then answers.

#include <gtest/gtest.h>

#include <functional>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

// The rows of a query as "a|b;c|d".
std::string rowsOf(db::Connection& connection, const std::string& query) {
  db::Recordset rs;
  rs.open(query, connection, db::adOpenStatic);
  std::string text;
  for (; !rs.eof(); rs.moveNext()) {
    if (!text.empty()) text += ';';
    for (int i = 0; i < rs.fieldCount(); ++i) {
      if (i > 0) text += '|';
      const Variant& value = rs.field(i).value();
      text += value.isNull() ? "null" : CStr(value);
    }
  }
  return text;
}

struct Shape {
  const char* title;
  std::vector<const char*> setup;
  const char* tsql;
  long affected;  // records affected, -1 when not checked
  const char* query;
  const char* rows;
};

// clang-format off
const Shape kShapes[] = {
    {"drop of a temp table that exists, checked through sysobjects",
     {"CREATE TABLE tempdb..vqtmpA (a int)"},
     "if exists(select 1 from tempdb..sysobjects where name=N'vqtmpA' and xtype=N'U') drop table tempdb..vqtmpA",
     -1, "select count(*) from tempdb..sysobjects where name=N'vqtmpA'", "0"},
    {"the same drop when the table is missing does nothing", {},
     "if exists(select 1 from tempdb..sysobjects where name=N'vqtmpB' and xtype=N'U') drop table tempdb..vqtmpB",
     -1, "select 1", "1"},
    {"drop checked through object_id and OBJECTPROPERTY",
     {"CREATE TABLE tempdb..vqtmpC (a int)"},
     "if exists (select * from tempdb..sysobjects where id = object_id(N'tempdb..vqtmpC') and "
     "OBJECTPROPERTY(id, N'IsUserTable') = 1)\r\ndrop table tempdb..vqtmpC",
     -1, "select count(*) from tempdb..sysobjects where name=N'vqtmpC'", "0"},
    {"a conditional delete",
     {"INSERT INTO Department (cDepCode,cDepName) VALUES ('X1','临时')"},
     "IF EXISTS(SELECT TOP 1 cDepCode FROM Department where cDepName=N'临时' and cDepCode=N'X1') "
     "delete from Department where cDepCode=N'X1'",
     1, "select count(*) from Department where cDepCode=N'X1'", "0"},
    {"several updates in one batch, no semicolons", {},
     "Update AccInformation Set cValue = N'True' Where cSysID = N'KX' And cID = N'101'\r\n"
     "Update AccInformation Set cValue = N'9' Where cSysID = N'KX' And cID = N'102'\r\n",
     2, "select cValue from AccInformation where cSysID='KX' and cID in ('101','102') order by cID",
     "True;9"},
    {"IF (count)=0 ... ELSE ...",
     {"CREATE TABLE tempdb..vqtmpD (g nvarchar(10), settled int)",
      "INSERT INTO tempdb..vqtmpD VALUES ('a',0),('b',1)"},
     "if (Select Count(*) From tempdb..vqtmpD Where settled=0) = 0 update tempdb..vqtmpD set settled=2 "
     "else update tempdb..vqtmpD set settled=3 where g=N'a'",
     1, "select g, settled from tempdb..vqtmpD order by g", "a|3;b|1"},
    {"variables set by a select feed an update",
     {"CREATE TABLE tempdb..vqtmpE (ccode nvarchar(10), citem_id nvarchar(20), citem_name nvarchar(50))",
      "INSERT INTO tempdb..vqtmpE VALUES ('1001','x',null)", "INSERT INTO Inventory (cInvCode,cInvName) VALUES ('x','钢材')"},
     "declare @citem_id nvarchar(255) declare @citem_name nvarchar(255) select @citem_id=cInvCode,"
     "@citem_name=cInvName from Inventory where cInvCode=N'x'   Update tempdb..vqtmpE set "
     "citem_id=@citem_id ,citem_name=@citem_name  where ccode=N'1001' and citem_id=N'x'",
     1, "select citem_id, citem_name from tempdb..vqtmpE", "x|钢材"},
    {"money variables balance debit and credit exactly",
     {"CREATE TABLE tempdb..vqtmpF (inid int, md money, mc money)",
      "INSERT INTO tempdb..vqtmpF VALUES (1,0.1,0),(2,0.2,0),(3,0,0.25),(4,0,0.01)"},
     "declare @j money declare @d money declare @sy money declare @id int select @j=sum(md) from "
     "tempdb..vqtmpF select @d=sum(mc) from tempdb..vqtmpF set @sy=@j-@d if @sy>0 begin select "
     "@id=max(inid) from tempdb..vqtmpF where md=0 group by inid update tempdb..vqtmpF set mc=mc+@sy "
     "where inid=@id end  if @sy<0 begin select @id=max(inid) from tempdb..vqtmpF where mc=0 group by "
     "inid update tempdb..vqtmpF set md=md-@sy where inid=@id end ",
     -1, "select inid, mc from tempdb..vqtmpF where md=0 order by inid", "3|0.25;4|0.05"},
    {"temp-table DDL as the reports write it",
     {},
     "CREATE TABLE tempdb..vqtmpG ([ccode] [varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL ,"
     "[dtloandate] [datetime] NULL ,[dbllack] [decimal](18, 2) NULL,[autoid] [int] IDENTITY (1, 1) NOT NULL,"
     "[cflag] [nvarchar] (10) NULL Default N'KX',) ON [PRIMARY]",
     -1, "select count(*) from tempdb..sysobjects where name=N'vqtmpG'", "1"},
    {"insert ... select into a table with an identity numbers the rows in order",
     {"CREATE TABLE tempdb..vqtmpH ([ccode] [varchar] (50) NOT NULL, [dbllack] [decimal](18, 2) NULL,"
      "[autoid] [int] IDENTITY (1, 1) NOT NULL) ON [PRIMARY]"},
     "insert into tempdb..vqtmpH select * from(select cDepCode as ccode, 1.5 as dbllack from Department "
     "where cDepCode in (N'01',N'02'))loan where dbllack<>0 order by ccode",
     2, "select ccode, dbllack, autoid from tempdb..vqtmpH order by autoid", "01|1.5|1;02|1.5|2"},
    {"select into a temp table", {},
     "select cDepCode, cDepName into tempdb..vqtmpI from Department where cDepCode=N'01'",
     -1, "select cDepCode from tempdb..vqtmpI", "01"},
    {"delete without from", {"INSERT INTO Department (cDepCode,cDepName) VALUES ('X2','临时')"},
     "Delete Department Where cDepCode = N'X2'", 1, "select count(*) from Department where cDepCode='X2'", "0"},
};
// clang-format on

TEST(TsqlShapes, RunOnTheDemoAccountAsSqlServerRunsThem) {
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.title);
    CaseAccount account;
    db::Connection connection;
    connection.open(account.connectString());
    for (const char* statement : shape.setup) connection.execute(statement);
    const long affected = connection.execute(shape.tsql);
    if (shape.affected >= 0) {
      EXPECT_EQ(shape.affected, affected);
    }
    EXPECT_EQ(shape.rows, rowsOf(connection, shape.query));
  }
}

TEST(TsqlShapes, ArithmeticErrorsAreRaisedAsSqlServerRaisesThem) {
  CaseAccount account;
  db::Connection connection;
  connection.open(account.connectString());
  struct Case {
    const char* query;
    std::int32_t number;
  } const cases[] = {
      {"select 1/0", errnum::kDbStatement},
      {"select convert(varchar(6),convert(decimal(5,2), 100000*100/3))", errnum::kDbOverflow},
      {"select cast(N'abc' as int)", errnum::kDbConversion},
  };
  for (const Case& c : cases) {
    db::Recordset rs;
    try {
      rs.open(c.query, connection);
      ADD_FAILURE() << c.query << " must fail";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(c.number, error.number()) << c.query << ": " << error.description();
    }
  }
}

// Temp tables live in the account's shared tempdb: a table made in a transaction that rolls back
// is gone; one made in a transaction that commits is there for the next connection.
TEST(TsqlShapes, TempTablesFollowTheTransactionAndAreSharedByConnections) {
  CaseAccount account;
  {
    db::Connection first;
    first.open(account.connectString());
    first.beginTrans();
    first.execute("CREATE TABLE tempdb..vqtmpRolledBack (a int)");
    first.rollbackTrans();
    first.beginTrans();
    first.execute("CREATE TABLE tempdb..vqtmpKept (a int)");
    first.execute("INSERT INTO tempdb..vqtmpKept VALUES (7)");
    first.commitTrans();
  }
  db::Connection next;
  next.open(account.connectString());
  EXPECT_EQ("0", rowsOf(next, "select count(*) from tempdb..sysobjects where name=N'vqtmpRolledBack'"));
  EXPECT_EQ("7", rowsOf(next, "select a from tempdb..vqtmpKept"));
}

}  // namespace
}  // namespace corvane
