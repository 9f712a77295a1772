#include "platform/db/RecordsetXml.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

const char* const kCompanySql =
    "CREATE TABLE Sample ("
    " id int NOT NULL PRIMARY KEY, strCode varchar(20) NOT NULL, strName nvarchar(50),"
    " chrFlag char(2), ntxMemo ntext, intSmall smallint, blnDone bit, dblMoney money,"
    " decAmount decimal(18, 2), fltRate float, dtDate datetime, GUID uniqueidentifier);"
    "INSERT INTO Sample VALUES (1, 'A&01', '名称 <b>', 'X', '备注', 7, 1, 1234.5678, 99.99, 0.125,"
    " '2005-08-02 14:30:05', '{6F9619FF-8B86-D011-B42D-00C04FC964FF}');"
    "INSERT INTO Sample (id, strCode, blnDone, dtDate) VALUES (2, 'it''s', 0, '2005-08-02');";

class RecordsetXmlTest : public ::testing::Test {
 protected:
  void SetUp() override { connection.open(account.connectionString()); }

  Recordset openSet(const std::string& sql) {
    Recordset recordset;
    recordset.open(sql, connection, adOpenStatic);
    return recordset;
  }

  // Saves, writes out as text and reads back, as a client that receives the text would.
  static Recordset roundTrip(const Recordset& recordset) {
    XmlDocument saved;
    saveAsXml(recordset, saved);
    XmlDocument received;
    EXPECT_TRUE(received.loadXML(saved.xml())) << saved.xml();
    return recordsetFromXml(received.documentElement());
  }

  static void expectSameRecordsets(Recordset& expected, Recordset& actual) {
    ASSERT_EQ(actual.fieldCount(), expected.fieldCount());
    for (int index = 0; index < expected.fieldCount(); ++index) {
      const Field& want = expected.field(index);
      const Field& got = actual.field(index);
      EXPECT_EQ(got.name(), want.name());
      EXPECT_EQ(got.type(), want.type()) << want.name();
      EXPECT_EQ(got.definedSize(), want.definedSize()) << want.name();
      EXPECT_EQ(got.precision(), want.precision()) << want.name();
      EXPECT_EQ(got.isNullable(), want.isNullable()) << want.name();
    }
    ASSERT_EQ(actual.recordCount(), expected.recordCount());
    int record = 1;
    for (expected.moveFirst(), actual.moveFirst(); !expected.eof(); expected.moveNext(), actual.moveNext(), ++record) {
      for (int index = 0; index < expected.fieldCount(); ++index) {
        EXPECT_EQ(actual.field(index).value(), expected.field(index).value())
            << expected.field(index).name() << " of record " << record;
      }
    }
  }

  ConnectionTestAccount account{kCompanySql, "", ""};
  Connection connection;
};

TEST_F(RecordsetXmlTest, WritesTheSchemaOfEveryColumn) {
  struct Case {
    const char* name;
    const char* attributeType;  // attributes of s:AttributeType after name, as written
    const char* datatype;       // the s:datatype element
  };
  static const Case cases[] = {
      {"id", "rs:number='1' rs:writeunknown='true'",
       "<s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true' rs:maybenull='false'/>"},
      {"strCode", "rs:number='2' rs:writeunknown='true'",
       "<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='20' rs:maybenull='false'/>"},
      {"strName", "rs:number='3' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='string' dt:maxLength='50'/>"},
      {"chrFlag", "rs:number='4' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='2' rs:fixedlength='true'/>"},
      {"ntxMemo", "rs:number='5' rs:nullable='true' rs:maydefer='true' rs:writeunknown='true'",
       "<s:datatype dt:type='string' dt:maxLength='1073741823' rs:long='true'/>"},
      {"intSmall", "rs:number='6' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='i2' dt:maxLength='2' rs:precision='5' rs:fixedlength='true'/>"},
      {"blnDone", "rs:number='7' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='boolean' dt:maxLength='2' rs:fixedlength='true'/>"},
      {"dblMoney", "rs:number='8' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='number' rs:dbtype='currency' dt:maxLength='8' rs:precision='19' rs:fixedlength='true'/>"},
      {"decAmount", "rs:number='9' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='number' rs:dbtype='numeric' dt:maxLength='19' rs:scale='2' rs:precision='18' "
       "rs:fixedlength='true'/>"},
      {"fltRate", "rs:number='10' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='float' dt:maxLength='8' rs:precision='15' rs:fixedlength='true'/>"},
      {"dtDate", "rs:number='11' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='dateTime' rs:dbtype='timestamp' dt:maxLength='16' rs:scale='3' rs:precision='23' "
       "rs:fixedlength='true'/>"},
      {"GUID", "rs:number='12' rs:nullable='true' rs:writeunknown='true'",
       "<s:datatype dt:type='uuid' dt:maxLength='16' rs:fixedlength='true'/>"},
  };
  XmlDocument document;
  saveAsXml(openSet("SELECT * FROM Sample ORDER BY id"), document);
  const std::string text = document.xml();
  EXPECT_TRUE(
      text.starts_with("<xml xmlns:s=\"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882\" "
                       "xmlns:dt=\"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882\" "
                       "xmlns:rs=\"urn:schemas-microsoft-com:rowset\" xmlns:z=\"#RowsetSchema\">"
                       "<s:Schema id=\"RowsetSchema\"><s:ElementType name=\"row\" content=\"eltOnly\">"))
      << text;
  const auto columns = document.selectNodes("xml/s:Schema/s:ElementType/s:AttributeType");
  ASSERT_EQ(columns.size(), std::size(cases));
  for (std::size_t index = 0; index < columns.size(); ++index) {
    std::string expected = std::string("<s:AttributeType name='") + cases[index].name + "' " +
                           cases[index].attributeType + ">" + cases[index].datatype + "</s:AttributeType>";
    std::replace(expected.begin(), expected.end(), '\'', '"');
    EXPECT_EQ(columns[index].xml(), expected);
  }
  EXPECT_TRUE(document.selectSingleNode("xml/s:Schema/s:ElementType/s:extends[@type='rs:rowbase']"));
}

TEST_F(RecordsetXmlTest, WritesOneRowPerRecordWithNullColumnsLeftOut) {
  Recordset recordset = openSet("SELECT * FROM Sample ORDER BY id");
  recordset.moveLast();
  XmlDocument document;
  saveAsXml(recordset, document);
  EXPECT_EQ(recordset.field("id").value(), Variant::longValue(2)) << "saving keeps the position";
  const auto rows = document.selectNodes("xml/rs:data/z:row");
  ASSERT_EQ(rows.size(), 2u);
  const std::vector<std::pair<std::string, std::string>> first = {
      {"id", "1"},
      {"strCode", "A&01"},
      {"strName", "名称 <b>"},
      {"chrFlag", "X"},
      {"ntxMemo", "备注"},
      {"intSmall", "7"},
      {"blnDone", "True"},
      {"dblMoney", "1234.5678"},
      {"decAmount", "99.99"},
      {"fltRate", "0.125"},
      {"dtDate", "2005-08-02T14:30:05"},
      {"GUID", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
  };
  EXPECT_EQ(rows[0].attributes(), first);
  const std::vector<std::pair<std::string, std::string>> second = {
      {"id", "2"}, {"strCode", "it's"}, {"blnDone", "False"}, {"dtDate", "2005-08-02T00:00:00"}};
  EXPECT_EQ(rows[1].attributes(), second);
}

TEST_F(RecordsetXmlTest, ReadsBackWhatItWrote) {
  Recordset saved = openSet("SELECT * FROM Sample ORDER BY id");
  Recordset loaded = roundTrip(saved);
  EXPECT_EQ(loaded.field("id").value(), Variant::longValue(1));
  expectSameRecordsets(saved, loaded);
  loaded.moveFirst();
  loaded.moveNext();
  EXPECT_TRUE(loaded.field("strName").value().isNull());
}

TEST_F(RecordsetXmlTest, KeepsAnEmptyResultsColumns) {
  Recordset saved = openSet("SELECT * FROM Sample WHERE 1 = 2");
  Recordset loaded = roundTrip(saved);
  expectSameRecordsets(saved, loaded);
  EXPECT_TRUE(loaded.eof() && loaded.bof());
}

TEST_F(RecordsetXmlTest, NamesThatAreNoXmlNamesStillGiveALoadableDocument) {
  Recordset saved = openSet(
      "SELECT id AS [a b], id AS [1st], strCode AS c1, strCode AS [单据 编号], id AS 单据编号,"
      " id AS ID, id AS [id], id AS [xmlns], id AS [rs:x], id * 2 FROM Sample ORDER BY id");
  XmlDocument document;
  saveAsXml(saved, document);
  const auto row = document.selectSingleNode("xml/rs:data/z:row");
  ASSERT_TRUE(row);
  std::vector<std::string> names;
  for (const auto& [name, value] : row.attributes()) names.push_back(name);
  const std::vector<std::string> expected = {"c0", "c1_", "c1", "c3", "单据编号", "ID", "id", "c7", "c8", "c9"};
  EXPECT_EQ(names, expected);
  Recordset loaded = roundTrip(saved);
  expectSameRecordsets(saved, loaded);
  EXPECT_EQ(loaded.field(0).name(), "a b");
  EXPECT_EQ(loaded.field(3).name(), "单据 编号");
}

TEST_F(RecordsetXmlTest, ReadsADocumentWrittenElsewhere) {
  XmlDocument document;
  ASSERT_TRUE(document.loadXML(
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'"
      " xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
      "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly' rs:updatable='true'>"
      "<s:AttributeType name='strCode' rs:number='1' rs:basetable='T' rs:basecolumn='strCode'>"
      "<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='20' rs:maybenull='false'/></s:AttributeType>"
      "<s:AttributeType name='iAmount' rs:number='2' rs:nullable='true'>"
      "<s:datatype dt:type='number' rs:dbtype='currency' dt:maxLength='8'/></s:AttributeType>"
      "<s:AttributeType name='blnEnd' rs:number='3'><s:datatype dt:type='boolean'/></s:AttributeType>"
      "<s:AttributeType name='dDate' rs:number='4'><s:datatype dt:type='dateTime'/></s:AttributeType>"
      "<s:AttributeType name='iNum' rs:number='5'><s:datatype dt:type='i4'/></s:AttributeType>"
      "<s:AttributeType name='cNote' rs:number='6'/>"
      "<s:extends type='rs:rowbase'/></s:ElementType></s:Schema>"
      "<rs:data><z:row strCode='01' iAmount='12.5' blnEnd='true' dDate='2005-8-2' iNum='x' cNote='n' other='1'/>"
      "<z:row strCode='02'/></rs:data></xml>"));
  Recordset loaded = recordsetFromXml(document.documentElement());
  struct Case {
    const char* name;
    DataType type;
    Variant first;
  };
  const Case cases[] = {
      {"strCode", adVarChar, Variant("01")},
      {"iAmount", adCurrency, Variant(Currency::fromScaled(125000))},
      {"blnEnd", adBoolean, Variant::boolean(true)},
      {"dDate", adDBTimeStamp, Variant(DateTime{2005, 8, 2})},
      {"iNum", adInteger, Variant("x")},
      {"cNote", adVarWChar, Variant("n")},
  };
  ASSERT_EQ(loaded.fieldCount(), 6);
  EXPECT_EQ(loaded.recordCount(), 2);
  for (const Case& c : cases) {
    EXPECT_EQ(loaded.field(c.name).type(), c.type) << c.name;
    EXPECT_EQ(loaded.field(c.name).value(), c.first) << c.name;
  }
  loaded.moveNext();
  EXPECT_TRUE(loaded.field("iAmount").value().isNull());
}

TEST_F(RecordsetXmlTest, RefusesADocumentWithoutColumns) {
  for (const char* text : {"<xml><rs:data><z:row a='1'/></rs:data></xml>",
                           "<xml><s:Schema><s:ElementType name='row'/></s:Schema></xml>"}) {
    XmlDocument document;
    ASSERT_TRUE(document.loadXML(text)) << text;
    try {
      recordsetFromXml(document.documentElement());
      ADD_FAILURE() << text;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kDbUnspecified);
    }
  }
}

}  // namespace
}  // namespace corvane::db
