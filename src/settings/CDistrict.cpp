#include "settings/CDistrict.h"

#include <array>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "settings/CodeRules.h"
#include "settings/TreeRequests.h"

namespace corvane {

namespace {

// The members' error ids name the item class, as the web pages expect.
constexpr std::string_view kErrorClass = "CRPItem";

constexpr std::array kFuncTable = {
    FuncEntry<CDistrict>{"treeget", &CDistrict::treeGet},
    FuncEntry<CDistrict>{"new", &CDistrict::recordNew, true},
    FuncEntry<CDistrict>{"edit", &CDistrict::recordEdit, true},
    FuncEntry<CDistrict>{"del", &CDistrict::recordDel, true},
    FuncEntry<CDistrict>{"get", &CDistrict::recordGet},
    FuncEntry<CDistrict>{"outputget", &CDistrict::outputGet},
};

// The last match wins: a text naming the primary key is answered as a duplicate code.
constexpr std::array kNewConstraints = {
    ConstraintMessage{"IX_KX_Position", "Z7.Corvane.0081"},
    ConstraintMessage{"PK_KX_POSITION", "Z7.Corvane.0080"},
};

std::string placeRule(db::Connection& connection) {
  const std::string rule = NullToStr(GetAccInfo("strZeroLevel", connection));
  if (rule.empty()) raiseMessageNumbered(0, "Z7.Corvane.0078");
  return rule;
}

// The parent code as sent: empty when the attribute is missing. Empty and "0" mean the top level.
std::string upCodeOf(XmlNode row) { return row.attribute("strupcode"); }

void requireStoredParent(db::Connection& connection, const std::string& upCode) {
  if (upCode.empty() || upCode == "0") return;
  if (sql::count(connection, "select count(*) from KX_Position where strPositionCode=" + db::quoteLiteral(upCode)) !=
      1) {
    raiseMessageNumbered(0, "Z7.Corvane.0006");
  }
}

void buildTreeRoot(XmlDocument& reply) {
  XmlNode list = reply.createDocumentElement("list");
  for (const auto& [name, value] : {std::pair{"x", "5"}, {"y", "30"}, {"w", "200"}, {"h", "200"}, {"f", "14"}}) {
    list.setAttribute(name, value);
  }
  XmlNode root = list.appendElement("row");
  root.setAttribute("id", "");
  root.setAttribute("name", GetResString("Z7.Corvane.0079"));
  root.setAttribute("open", "1");
}

TreeOrderList::Row listRow(const db::Recordset& rs) {
  TreeOrderList::Row row;
  for (const char* name : {"strcode", "strname", "strtypecode", "strtypename", "strupcode"}) {
    row.emplace_back(name, NullToStr(rs.field(name).value()));
  }
  return row;
}

}  // namespace

const FrameSettings CDistrict::kFrame{.className = "CDistrict", .rightCode = "KX0106"};
const std::span<const FuncEntry<CDistrict>> CDistrict::kFuncs{kFuncTable};

bool CDistrict::treeGet(FuncCall& call) {
  return answerAsMember(call.oXml, kErrorClass, "treeGet", [&] {
    const std::string rule = placeRule(call.CN);
    call.oXml.clear();
    buildTreeRoot(call.oXml);
    const XmlNode root = call.oXml.documentElement().firstChild();
    TreeReply tree(call.oXml.documentElement(), rule);
    db::Recordset rs =
        sql::open(call.CN, "select strPositionCode,strPositionName from KX_Position order by strPositionCode");
    for (; !rs.eof(); rs.moveNext()) {
      const std::string code = NullToStr(rs.field(0).value());
      const std::string name = NullToStr(rs.field(1).value());
      if (!tree.placeUnderParent(code, name)) tree.placeUnder(root, code, name);
    }
    return true;
  });
}

bool CDistrict::recordNew(FuncCall& call) {
  return answerAsMember(
      call.oXml, kErrorClass, "recordNew",
      [&] {
        const XmlNode row = requestRow(call);
        const std::string code = requiredAttribute(row, "strcode");
        const std::string upCode = upCodeOf(row);
        requireStoredParent(call.CN, upCode);
        const long inserted = sql::execute(
            call.CN, "insert into KX_Position(strPositionCode,strPositionName,strGradeID,strupcode)values(" +
                         SqlStr(code) + "," + SqlStr(row.attribute("strname")) + "," +
                         SqlStr(row.attribute("strtypecode")) + "," + SqlStr(upCode) + ")");
        if (inserted != 1) raiseMessage("Z7.Corvane.0046");
        return recordGet(call);
      },
      namingConstraints(kNewConstraints));
}

bool CDistrict::recordEdit(FuncCall& call) {
  return answerAsMember(call.oXml, kErrorClass, "recordEdit", [&] {
    const XmlNode row = requestRow(call);
    const std::string code = requiredAttribute(row, "strcode");
    requireStoredParent(call.CN, upCodeOf(row));
    sql::execute(call.CN, "update KX_Position set strPositionName=" + SqlStr(row.attribute("strname")) +
                              ",strGradeID=" + SqlStr(row.attribute("strtypecode")) +
                              " where strPositionCode=" + SqlStr(code));
    return recordGet(call);
  });
}

bool CDistrict::recordDel(FuncCall& call) {
  return answerAsMember(call.oXml, kErrorClass, "recordDel", [&] {
    const std::string code = requiredAttribute(requestRow(call), "strcode");
    if (sql::exists(call.CN, "select * from kx_expenvouch_sub where strbzero=" + SqlStr(code) +
                                 " or strezero=" + SqlStr(code))) {
      raiseMessage("Z7.Corvane.0082");
    }
    // The place itself and every place whose code begins with it.
    if (sql::count(call.CN, "select count(*) from KX_Position where left(strPositionCode," +
                                std::to_string(CodeCharacterCount(code)) + ")=" + db::quoteLiteral(code)) != 1) {
      raiseMessageNumbered(0, "Z7.Corvane.0083");
    }
    sql::execute(call.CN, "delete from KX_Position where strPositionCode=" + SqlStr(code));
    loadReply(call.oXml, "<success/>");
    return true;
  });
}

bool CDistrict::recordGet(FuncCall& call) {
  return answerAsMember(call.oXml, kErrorClass, "recordGet", [&] {
    const std::string code = requiredAttribute(requestRow(call), "strcode");
    db::Recordset rs =
        sql::open(call.CN,
                  "SELECT KX_Position.strPositionCode AS strcode,KX_Position.strPositionName AS strname, "
                  "KX_Position.strGradeID AS strtypecode, KX_Position.strUpCode AS strupcode, "
                  "CAST(KX_Position.ts AS money) AS ts, KX_EISet_NUStand.strEIName AS strtypename "
                  "FROM KX_Position LEFT OUTER JOIN KX_EISet_NUStand ON KX_EISet_NUStand.intEICode = 2 "
                  "AND KX_EISet_NUStand.strEICode = KX_Position.strGradeID "
                  "WHERE KX_Position.strPositionCode = " +
                      SqlStr(code));
    if (rs.recordCount() != 1) raiseMessageNumbered(0, "Z7.Corvane.0021");
    loadReply(call.oXml, RsToRowXml(rs));
    return true;
  });
}

bool CDistrict::outputGet(FuncCall& call) {
  return answerAsMember(call.oXml, kErrorClass, "outputGet", [&] {
    TreeOrderList list(placeRule(call.CN));
    db::Recordset rs =
        sql::open(call.CN,
                  "select  KX_Position.strpositioncode as strcode,KX_Position.strpositionname as strname,"
                  "KX_Position.strgradeid as strtypecode,KX_EISet_NUStand.strEIName as strtypename,"
                  "KX_Position.strupcode as strupcode from KX_Position left join KX_EISet_NUStand on "
                  "KX_EISet_NUStand.intEICode=2 and KX_EISet_NUStand.strEICode=KX_Position.strGradeID "
                  "order by len(KX_Position.strpositioncode),KX_Position.strpositioncode desc");
    for (; !rs.eof(); rs.moveNext()) {
      TreeOrderList::Row row = listRow(rs);
      if (!list.placeBehindParent(row)) list.append(std::move(row));
    }
    call.oXml.clear();
    list.writeTo(call.oXml.createDocumentElement("rows"));
    return true;
  });
}

}  // namespace corvane
