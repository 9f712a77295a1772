#include "settings/PersonExport.h"

#include "platform/com/RuntimeError.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"
#include "settings/CPerson.h"

namespace corvane {

namespace {

// "(case <flag> when 1 then <yes> else <no> end)": the readable on/off text of a limit.
std::string switchText(const std::string& flag, const std::string& yes, const std::string& no) {
  return "(case " + flag + " when 1 then " + yes + " else " + no + " end)";
}

// The control-type text of a switched-on limit; Null when the limit is off or the code unknown.
std::string typeText(const std::string& flag, const std::string& type, const std::string& prompt,
                     const std::string& strict) {
  return " case " + flag + " when 0 then Null else (case " + type + " when '0' then " + prompt + " when '1' then " +
         strict + " else Null end) end";
}

}  // namespace

std::string personExportStatement(const LoginContext& ologin) {
  const std::string yes = db::quoteLiteral(GetResString("Z7.Corvane.0022"));
  const std::string no = db::quoteLiteral(GetResString("Z7.Corvane.0023"));
  const std::string prompt = db::quoteLiteral(GetResString("Z7.Corvane.0028"));
  const std::string strict = db::quoteLiteral(GetResString("Z7.Corvane.0230"));
  std::string sql =
      "SELECT dbo.Person.cPersonName AS cpername,dbo.Department.cDepName AS cdepname, "
      "KX_EISet_NUStand.strEIName AS clevel,dbo.Person.cPersonPhone AS clink, "
      "dbo.Person.cPersonEmail AS caddress,KX_PersonAcc.strBank AS cbank, KX_PersonAcc.strBankAcc AS caccount," +
      switchText("dbo.KX_PersonCtrl.blnDay", yes, no) + "AS bdaycontrol, dbo.KX_PersonCtrl.intDay AS idaymost," +
      typeText("KX_PersonCtrl.blnDay", "KX_PersonCtrl.strDayCtrType", prompt, strict) + " AS cdaystyle," +
      switchText("dbo.KX_PersonCtrl.blnNumber", yes, no) + "AS bnumcontrol," +
      "dbo.KX_PersonCtrl.intNumber AS inumost," +
      typeText("dbo.KX_PersonCtrl.blnNumber", "KX_PersonCtrl.strNumCtrType", prompt, strict) + " AS cnumstyle," +
      switchText("dbo.KX_PersonCtrl.blnMoney", yes, no) + "AS bmoneycontrol,dbo.KX_PersonCtrl.intMoney AS imoneymost," +
      typeText("dbo.KX_PersonCtrl.blnMoney", "KX_PersonCtrl.strMonCtrType", prompt, strict) +
      " AS cmoneystyle,dbo.Person.cPersonCode AS cpercode"
      " FROM (SELECT * From KX_EISet_NUStand WHERE KX_EISet_NUStand.intEICode = 1) KX_EISet_NUStand"
      " RIGHT OUTER JOIN dbo.KX_PersonCtrl ON KX_EISet_NUStand.strEICode = dbo.KX_PersonCtrl.strGradeID LEFT OUTER JOIN"
      "(select * from KX_PersonAcc where blndefault=1 union select * from KX_PersonAcc where ltrim(guid) in ( "
      "select min(ltrim(guid)) as guid from KX_PersonAcc where blndefault=0 and strpersoncode not in "
      "(select strpersoncode from KX_PersonAcc where blndefault=1) group by strPersoncode)) KX_PersonAcc ON"
      " dbo.KX_PersonCtrl.strPersonCode = KX_PersonAcc.strPersonCode RIGHT OUTER JOIN"
      " dbo.Department INNER JOIN dbo.Person ON dbo.Department.cDepCode = dbo.Person.cDepCode ON"
      " dbo.KX_PersonCtrl.strPersonCode = dbo.Person.cPersonCode";
  const std::string persons = GetRowAuth(ologin, "person");
  const std::string departments = GetRowAuth(ologin, "department");
  if (!persons.empty()) sql += " Where Person.cPersonCode In (" + persons + ") ";
  if (!departments.empty()) {
    sql += std::string(persons.empty() ? " Where" : " And") + " Department.cDepCode In (" + departments + ") ";
  }
  return sql;
}

bool CPerson::outputGet(FuncCall& call) {
  return answerAsMember(call.oXml, "CPerson", "outputGet", [&] {
    db::Recordset rs = sql::open(call.CN, personExportStatement(call.ologin));
    loadReply(call.oXml, "<rows>" + RsToRowXml(rs) + "</rows>");
    return true;
  });
}

}  // namespace corvane
