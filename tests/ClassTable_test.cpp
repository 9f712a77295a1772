// Requests served through the table of classes, as the program serves them: what the frame and
// the settings classes do with a whole request.

#include "app/ClassTable.h"

#include <gtest/gtest.h>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Messages.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

// While another user's long query holds its snapshot of the company database, a save is
// committed at once (under a rollback journal it waited the command timeout and failed).
TEST(RequestFrame, ASaveIsCommittedWhileAnotherUsersQueryReads) {
  CaseAccount account;
  db::Connection reader;
  reader.open(account.connectString());
  reader.beginTrans(db::TransactionMode::Read);
  db::Recordset before;
  before.open("SELECT Count(*) FROM KX_OperationType", reader);
  const long types = CLng(before.field(0).value());

  const auto login = account.logIn("demo");
  XmlDocument document;
  ASSERT_TRUE(
      document.loadXML("<req><func name='edit'><in><rows><row P='1' intType='支出' "
                       "strName='会议费' strShowID='31' strPrintID='32'/></rows></in></func></req>"));
  StandardClasses().create("Corvane.COperation")->myHandle(login.get(), document);
  EXPECT_FALSE(document.selectSingleNode("//error")) << document.xml();

  db::Recordset during;
  during.open("SELECT Count(*) FROM KX_OperationType", reader);
  EXPECT_EQ(types, CLng(during.field(0).value())) << "the reader keeps its snapshot";
  reader.commitTrans();
  db::Recordset after;
  after.open("SELECT Count(*) FROM KX_OperationType WHERE strName='会议费'", reader);
  EXPECT_EQ(1, CLng(after.field(0).value()));
}

struct NoLoginCase {
  const char* progId;
  const char* errorId;
};

// Without a login object nothing runs: the request becomes the dispatcher's error reply.
const NoLoginCase kNoLoginCases[] = {
    {"Corvane.CChoice", "Corvane:CChoice:myHandle:0"},
    {"Corvane.CPzSet", "Corvane:CPzSet:myHandle:0"},
};

TEST(SettingsClasses, WithoutALoginObjectTheRequestBecomesTheErrorReply) {
  for (const NoLoginCase& c : kNoLoginCases) {
    SCOPED_TRACE(c.progId);
    XmlDocument document;
    ASSERT_TRUE(document.loadXML("<req><func name='get'/><func name='gethb'/></req>"));
    StandardClasses().create(c.progId)->myHandle(nullptr, document);
    EXPECT_EQ(document.documentElement().name(), "error");
    EXPECT_EQ(document.documentElement().child("id").text(), c.errorId);
    EXPECT_EQ(document.documentElement().child("text").text(), GetResString("Z7.Corvane.0001"));
  }
}

}  // namespace
}  // namespace corvane
