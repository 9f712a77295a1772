#include "settings/CPerson.h"

#include <array>
#include <map>
#include <optional>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RowVersion.h"
#include "request/RowXml.h"
#include "request/SaveRows.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "settings/PersonSql.h"

namespace corvane {

namespace {

constexpr std::string_view kClassName = "CPerson";

constexpr std::array kFuncTable = {
    FuncEntry<CPerson>{"getdepart", &CPerson::getDepart}, FuncEntry<CPerson>{"getperlist", &CPerson::getPerList},
    FuncEntry<CPerson>{"getperbas", &CPerson::getPerBas}, FuncEntry<CPerson>{"saveperbas", &CPerson::savePerBas, true},
    FuncEntry<CPerson>{"getperacc", &CPerson::getPerAcc}, FuncEntry<CPerson>{"saveperacc", &CPerson::savePerAcc, true},
    FuncEntry<CPerson>{"getperson", &CPerson::getPerson}, FuncEntry<CPerson>{"saveperson", &CPerson::savePerson, true},
    FuncEntry<CPerson>{"outputget", &CPerson::outputGet},
};

constexpr std::array kAccountConstraints = {
    ConstraintMessage{"IX_KX_PersonAcc", "Z7.Corvane.0119"},
};

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The number of characters (not bytes) of a UTF-8 text.
std::size_t characterCount(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) {
    if (!isContinuationByte(c)) ++count;
  }
  return count;
}

// The placed department whose code is the longest prefix of `code` (the code itself included),
// else the root: a department's code begins with the code of its parent.
XmlNode treeParent(const std::map<std::string, XmlNode>& placed, const std::string& code, XmlNode root) {
  for (std::size_t length = code.size(); length > 0; --length) {
    if (length < code.size() && isContinuationByte(code[length])) continue;
    const auto found = placed.find(code.substr(0, length));
    if (found != placed.end()) return found->second;
  }
  return root;
}

std::string gradeValue(XmlNode input) {
  const std::optional<std::string> grade = input.findAttribute("strGradeID");
  return grade ? db::quoteLiteral(*grade) : "Null";
}

std::string gradeSaveStatement(XmlNode input, const std::string& personCode, const char*& failureMessage) {
  const std::optional<std::string> ts = input.findAttribute("ts");
  if (!ts) {
    failureMessage = "Z7.Corvane.0046";
    return "Insert Into KX_PersonCtrl (strPersonCode,strGradeID) Values (" + db::quoteLiteral(personCode) + "," +
           gradeValue(input) + ")";
  }
  failureMessage = "Z7.Corvane.0117";
  const std::optional<RowVersion> version = RowVersion::parseSigned(*ts);
  if (!version) raiseMessage(failureMessage);
  return "Update KX_PersonCtrl Set strGradeID = " + gradeValue(input) +
         " Where strPersonCode = " + db::quoteLiteral(personCode) + " And " + version->condition();
}

RowStatement accountStatement(XmlNode row, const std::string& personCode) {
  const std::string person = db::quoteLiteral(personCode);
  switch (rowOperation(row)) {
    case RowOperation::Insert:
      return {"Insert Into KX_PersonAcc (strPersonCode,strBankAcc,strBank,blnDefault) Values (" + person + "," +
                  db::quoteLiteral(row.attribute("strBankAcc")) + "," + db::quoteLiteral(row.attribute("strBank")) +
                  "," + flagNumber(row.attribute("blnDefault")) + ")",
              "Z7.Corvane.0046"};
    case RowOperation::Update:
      return {"Update KX_PersonAcc Set blnDefault = " + flagNumber(row.attribute("blnDefault")) +
                  ",strBankAcc = " + db::quoteLiteral(row.attribute("strBankAcc")) +
                  ",strBank = " + db::quoteLiteral(row.attribute("strBank")) + " Where " + rowVersion(row).condition() +
                  " And GUID = " + db::quoteLiteral(row.attribute("GUID")) + " And strPersonCode = " + person,
              "Z7.Corvane.0047"};
    case RowOperation::Delete:
      return {"Delete KX_PersonAcc Where GUID = " + db::quoteLiteral(row.attribute("GUID")) + " And " +
                  rowVersion(row).condition() + " And strPersonCode = " + person,
              "Z7.Corvane.0047"};
  }
  raiseMessage("Z7.Corvane.0048");
}

// An account entered twice for a person is told by its own message.
std::string accountErrorText(const RuntimeError& error) {
  return constraintText(error.description(), kAccountConstraints);
}

void checkOneDefaultAccount(db::Connection& connection, const std::string& personCode) {
  if (sql::count(connection, "Select Count(*) From KX_PersonAcc Where strPersonCode = " + db::quoteLiteral(personCode) +
                                 " And blnDefault = 1") > 1) {
    raiseMessage("Z7.Corvane.0118");
  }
}

}  // namespace

const FrameSettings CPerson::kFrame{.className = "CPerson", .rightCode = "KX0105"};
const std::span<const FuncEntry<CPerson>> CPerson::kFuncs{kFuncTable};

bool CPerson::getDepart(FuncCall& call) {
  return answerAsMember(call.oXml, kClassName, "recordGet", [&] {
    const std::string allowed = GetRowAuth(call.ologin, "department");
    db::Recordset rs = sql::open(
        call.CN, "Select cDepCode,cDepName,iDepGrade,bDepEnd From Department" +
                     (allowed.empty() ? std::string() : " Where cDepCode In (" + allowed + ")") + " Order By cDepCode");
    loadReply(call.oXml, "<list x='10' y='50' w='200' h='380' f='14'></list>");
    const XmlNode root = call.oXml.documentElement();
    std::map<std::string, XmlNode> placed;
    for (; !rs.eof(); rs.moveNext()) {
      const std::string code = NullToStr(rs.field("cDepCode").value());
      XmlNode row = treeParent(placed, code, root).appendElement("row");
      row.setAttribute("id", code);
      row.setAttribute("name", "(" + code + ")" + NullToStr(rs.field("cDepName").value()));
      if (NullToBool(rs.field("bDepEnd").value())) row.setAttribute("leaf", "1");
      placed.emplace(code, row);
    }
    return true;
  });
}

bool CPerson::getPerList(FuncCall& call) {
  return answerAsMember(call.oXml, kClassName, "recordGet", [&] {
    const std::string department = firstInput(call).attribute("strDepCode");
    const std::string allowed = GetRowAuth(call.ologin, "person");
    db::Recordset rs =
        sql::open(call.CN,
                  "Select Department.cDepCode,Department.cDepName,Person.cPersonCode,Person.cPersonName "
                  "From Department Right Outer Join Person On Department.cDepCode = Person.cDepCode Where " +
                      (allowed.empty() ? std::string() : "Person.cPersonCode In (" + allowed + ") And ") +
                      "Left(Department.cDepCode," + std::to_string(characterCount(department)) +
                      ") = " + db::quoteLiteral(department) + " Order By Person.cPersonCode");
    loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
    return true;
  });
}

bool CPerson::getPerBas(FuncCall& call) {
  return answerAsMember(call.oXml, kClassName, "recordGet", [&] {
    const std::string personCode = firstInput(call).attribute("strPersonCode");
    db::Recordset rs =
        sql::open(call.CN,
                  "Select Person.cPersonCode As strPersonCode,KX_PersonCtrl.strGradeID,"
                  "Cast(KX_PersonCtrl.ts As money) As ts,Grades.strEIName,Person.cPersonName,"
                  "Department.cDepName,Person.cPersonEmail,Person.cPersonPhone "
                  "From Person Left Outer Join Department On Person.cDepCode = Department.cDepCode "
                  "Left Outer Join KX_PersonCtrl On KX_PersonCtrl.strPersonCode = Person.cPersonCode "
                  "Left Outer Join (Select strEICode,strEIName From KX_EISet_NUStand Where intEICode = 1) "
                  "Grades On Grades.strEICode = KX_PersonCtrl.strGradeID "
                  "Where Person.cPersonCode = " +
                      db::quoteLiteral(personCode));
    if (rs.eof()) raiseMessage("Z7.Corvane.0116");
    loadReply(call.oXml, RsToRowXml(rs));
    return true;
  });
}

bool CPerson::savePerBas(FuncCall& call) {
  return answerAsMember(call.oXml, kClassName, "recordEdit", [&] {
    const XmlNode input = firstInput(call);
    const std::string personCode = input.attribute("strPersonCode");
    checkPersonExists(call.CN, personCode);
    const char* failureMessage = nullptr;
    const std::string statement = gradeSaveStatement(input, personCode, failureMessage);
    if (sql::execute(call.CN, statement) != 1) raiseMessage(failureMessage);
    cleanUpPersonCtrl(call.CN, personCode);
    return getPerBas(call);
  });
}

bool CPerson::getPerAcc(FuncCall& call) {
  return answerAsMember(call.oXml, kClassName, "recordGet", [&] {
    const std::string personCode = firstInput(call).attribute("strPersonCode");
    db::Recordset rs = sql::open(call.CN,
                                 "Select strPersonCode,strBankAcc,strBank,blnDefault,Cast(ts As money) As ts,GUID "
                                 "From KX_PersonAcc Where strPersonCode = " +
                                     db::quoteLiteral(personCode) + " Order By strBank");
    loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
    return true;
  });
}

bool CPerson::savePerAcc(FuncCall& call) {
  return answerAsMember(
      call.oXml, kClassName, "recordEdit",
      [&] {
        const XmlNode input = firstInput(call);
        const std::string personCode = input.attribute("strPersonCode");
        checkPersonExists(call.CN, personCode);
        for (const XmlNode row : input.children()) {
          const RowStatement statement = accountStatement(row, personCode);
          if (sql::execute(call.CN, statement.sql) != 1) raiseMessage(statement.failureMessage);
          checkOneDefaultAccount(call.CN, personCode);
        }
        return getPerAcc(call);
      },
      accountErrorText);
}

}  // namespace corvane
