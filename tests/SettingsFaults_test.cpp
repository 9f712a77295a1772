// Settings edits under fault injection: whichever call of a host component or of the database
// fails, the edit answers an error reply and leaves every table of the account as it was.

#include <gtest/gtest.h>

#include "support/CaseAccount.h"
#include "support/FaultInjection.h"

namespace corvane {
namespace {

struct SettingsEdit {
  const char* what;
  const char* progId;
  std::vector<std::string> setup;
  const char* request;
  std::vector<std::string> componentsReached;  // host components the edit must have called
};

const SettingsEdit kEdits[] = {
    {"a person's loan limits, with the control texts from the message catalogue",
     "Corvane.CPerson",
     {"UPDATE KX_PersonCtrl SET ts = 500 WHERE strPersonCode = '0005'"},
     "<req><func name='saveperson'><in><r strPersonCode='0005' ts='500' Show=''>"
     "<d blnCtrl='1' dblMoney='60' strCtrlType='提示'/><n blnCtrl='0' dblMoney='2'/>"
     "<m blnCtrl='1' dblMoney='6000.005' strCtrlType='严格控制'/></r></in></func></req>",
     {"MessageCatalog"}},
    {"a person's two bank accounts, the default moved",
     "Corvane.CPerson",
     {"UPDATE KX_PersonAcc SET ts = 501 WHERE GUID = '{6C1D2E30-4A5B-4C6D-8E7F-000000000001}'",
      "UPDATE KX_PersonAcc SET ts = 502 WHERE GUID = '{6C1D2E30-4A5B-4C6D-8E7F-000000000002}'"},
     "<req><func name='saveperacc'><in><r strPersonCode='0005'>"
     "<a P='2' GUID='{6C1D2E30-4A5B-4C6D-8E7F-000000000001}' ts='501' strBankAcc='6222020200010005'"
     " strBank='工商银行' blnDefault='0'/>"
     "<a P='2' GUID='{6C1D2E30-4A5B-4C6D-8E7F-000000000002}' ts='502' strBankAcc='6217000010000005'"
     " strBank='建设银行' blnDefault='1'/></r></in></func></req>",
     {}},
    {"a new item under a leaf, which stops being one",
     "Corvane.CRPItem",
     {},
     "<req><func name='new'><in><row strcode='20301' strupcode='203' strname='餐费'"
     " strtypecode='202'/></in></func></req>",
     {}},
    {"the departments of a standard",
     "Corvane.CStand",
     {"INSERT INTO KX_Expense (GUID, strStandName, strIOItemCode, strControlType) VALUES "
      "('{5A7D0003-0000-4000-8000-000000000003}', 'Office supplies', '202', '提示')"},
     "<req><func name='savedepart'><in><stand GUID='{5A7D0003-0000-4000-8000-000000000003}'>"
     "<d id='04'/><d id='0302'/></stand></in></func></req>",
     {}},
};

TEST(SettingsFaults, AnEditThatMeetsAFaultAnswersAnErrorAndChangesNothing) {
  for (const SettingsEdit& edit : kEdits) {
    SCOPED_TRACE(edit.what);
    const CaseAccount account;
    for (const std::string& statement : edit.setup) account.execute(statement);
    const FaultReport report = serveUnderFaults(account, {edit.progId, edit.request});
    for (const std::string& component : edit.componentsReached) {
      EXPECT_TRUE(report.faultsByComponent.contains(component)) << component;
    }
    for (const char* call : {"Database.open", "Database.beginTrans", "Database.execute", "Database.openRecordset",
                             "Database.commitTrans"}) {
      EXPECT_TRUE(report.faultsByComponent.contains(call)) << call;
    }
  }
}

}  // namespace
}  // namespace corvane
