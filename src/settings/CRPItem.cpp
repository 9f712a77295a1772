#include "settings/CRPItem.h"

#include <array>
#include <optional>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RowVersion.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "settings/CodeRules.h"
#include "settings/TreeRequests.h"

namespace corvane {

namespace {

constexpr std::string_view kClass = "CRPItem";
constexpr const char* kIncomeText = "Z7.Corvane.Web.0200";
constexpr const char* kExpenseText = "Z7.Corvane.Web.0202";

constexpr std::array kFuncTable = {
    FuncEntry<CRPItem>{"treeget", &CRPItem::treeGet},       FuncEntry<CRPItem>{"new", &CRPItem::recordNew, true},
    FuncEntry<CRPItem>{"edit", &CRPItem::recordEdit, true}, FuncEntry<CRPItem>{"del", &CRPItem::recordDel, true},
    FuncEntry<CRPItem>{"get", &CRPItem::recordGet},         FuncEntry<CRPItem>{"outputget", &CRPItem::outputGet},
};

constexpr std::array kNewConstraints = {ConstraintMessage{"IX_KX_IOItem", "Z7.Corvane.0012"}};
constexpr std::array kEditConstraints = {ConstraintMessage{"IX_KX_IOItem", "Z7.Corvane.0014"}};
constexpr std::array kDelConstraints = {ConstraintMessage{"FK_KX_Expense_KX_IOItem", "Z7.Corvane.0020"}};

// A query finding a row when the item (quoted at its end) is used, and the message then raised.
struct UseCheck {
  const char* query;
  const char* messageId;
};

constexpr std::array kParentUseChecks = {
    UseCheck{"Select Top 1 strIOItem From KX_ExpenVouch_sub Where strIOItem = ", "Z7.Corvane.0008"},
    UseCheck{"select top 1 strIOItemCode from KX_PzSet_IO Where strIOItemCode = ", "Z7.Corvane.0009"},
    UseCheck{"SELECT top 1 strIOItemCode FROM KX_Expense Where strIOItemCode = ", "Z7.Corvane.0010"},
};

constexpr std::array kDeleteUseChecks = {
    UseCheck{"Select Top 1 strIOItem From KX_ExpenVouch_sub Where strIOItem = ", "Z7.Corvane.0016"},
    UseCheck{"select top 1 strIOItemCode from KX_PzSet_IO Where strIOItemCode = ", "Z7.Corvane.0017"},
    UseCheck{"SELECT top 1 strIOItemCode FROM KX_Expense Where strIOItemCode = ", "Z7.Corvane.0018"},
};

void refuseWhenUsed(db::Connection& connection, const std::string& code, std::span<const UseCheck> checks) {
  for (const UseCheck& check : checks) {
    if (sql::exists(connection, check.query + db::quoteLiteral(code))) raiseMessage(check.messageId);
  }
}

bool isRoot(const std::string& code) { return code == "1" || code == "2"; }

long itemCount(db::Connection& connection, const std::string& code) {
  return sql::count(connection, "select count(*) from KX_IOItem where strcode=" + db::quoteLiteral(code));
}

void requireStoredParent(db::Connection& connection, const std::string& upCode) {
  if (!isRoot(upCode) && itemCount(connection, upCode) != 1) raiseMessageNumbered(0, "Z7.Corvane.0006");
}

// The operation type of a new or edited item: required and not empty.
std::string requiredTypeCode(XmlNode row) {
  const std::string typeCode = SqlStr(row.attribute("strtypecode"));
  if (typeCode == "null") raiseMessage("Z7.Corvane.0011");
  return typeCode;
}

std::string itemRule(db::Connection& connection) {
  const std::string rule = NullToStr(GetAccInfo("strIOLevel", connection));
  if (rule.empty()) raiseMessageNumbered(0, "Z7.Corvane.0003");
  return rule;
}

void buildTreeRoots(XmlDocument& reply) {
  XmlNode list = reply.createDocumentElement("list");
  for (const auto& [name, value] : {std::pair{"x", "5"}, {"y", "30"}, {"w", "150"}, {"h", "200"}, {"f", "14"}}) {
    list.setAttribute(name, value);
  }
  for (const auto& [id, textId] : {std::pair{"1", kIncomeText}, {"2", kExpenseText}}) {
    XmlNode root = list.appendElement("row");
    root.setAttribute("id", id);
    root.setAttribute("name", std::string("(") + id + ")" + GetResString(textId));
  }
}

TreeOrderList::Row rootListRow(const char* code, const char* textId) {
  return {{"strkind", GetResString(textId)},
          {"strcode", code},
          {"strname", ""},
          {"strtypecode", ""},
          {"strtypename", ""},
          {"blnend", ""},
          {"strupcode", ""}};
}

std::string listQuery() {
  return "select (case left(KX_IOItem.strcode,1) when 1 then " + db::quoteLiteral(GetResString(kIncomeText)) +
         " else " + db::quoteLiteral(GetResString(kExpenseText)) +
         " end) as strkind,KX_IOItem.strcode as strcode,KX_IOItem.strname as strname,"
         "KX_IOItem.strtypecode as strtypecode,KX_OperationType.strname as strtypename,"
         "(case KX_IOItem.blnend when 1 then " +
         db::quoteLiteral(GetResString("Z7.Corvane.0022")) + " else " +
         db::quoteLiteral(GetResString("Z7.Corvane.0023")) +
         " end) as blnend,KX_IOItem.strupcode as strupcode from KX_IOItem left join KX_OperationType on "
         "KX_IOItem.strtypecode= KX_OperationType.strcode order by len(KX_IOItem.strcode),KX_IOItem.strcode desc";
}

TreeOrderList::Row listRow(const db::Recordset& rs) {
  TreeOrderList::Row row;
  for (const char* name : {"strkind", "strcode", "strname", "strtypecode", "strtypename", "blnend", "strupcode"}) {
    row.emplace_back(name, NullToStr(rs.field(name).value()));
  }
  return row;
}

}  // namespace

const FrameSettings CRPItem::kFrame{.className = "CRPItem", .rightCode = "KX0103"};
const std::span<const FuncEntry<CRPItem>> CRPItem::kFuncs{kFuncTable};

bool CRPItem::treeGet(FuncCall& call) {
  return answerAsMember(call.oXml, kClass, "treeGet", [&] {
    const std::string rule = itemRule(call.CN);
    call.oXml.clear();
    buildTreeRoots(call.oXml);
    TreeReply tree(call.oXml.documentElement(), rule);
    db::Recordset rs = sql::open(call.CN, "select strcode,strname from KX_IOItem order by len(strcode)");
    for (; !rs.eof(); rs.moveNext()) {
      tree.placeUnderParent(NullToStr(rs.field(0).value()), NullToStr(rs.field(1).value()));
    }
    return true;
  });
}

bool CRPItem::recordNew(FuncCall& call) {
  return answerAsMember(
      call.oXml, kClass, "recordNew",
      [&] {
        const XmlNode row = requestRow(call);
        const std::string code = requiredAttribute(row, "strcode");
        const std::string upCode = requiredAttribute(row, "strupcode");
        requireStoredParent(call.CN, upCode);
        if (itemCount(call.CN, code) != 0) raiseMessage("Z7.Corvane.0007");
        refuseWhenUsed(call.CN, upCode, kParentUseChecks);
        const std::string typeCode = requiredTypeCode(row);
        sql::execute(call.CN, "insert into KX_IOItem(strcode,strname,strtypecode,strupcode,blnend)values(" +
                                  SqlStr(code) + "," + SqlStr(row.attribute("strname")) + "," + typeCode + "," +
                                  SqlStr(upCode) + ",1)");
        sql::execute(call.CN, "Update KX_IOItem Set blnEnd = 0 Where strCode = " + SqlStr(upCode));
        return recordGet(call);
      },
      namingConstraints(kNewConstraints));
}

bool CRPItem::recordEdit(FuncCall& call) {
  return answerAsMember(
      call.oXml, kClass, "recordEdit",
      [&] {
        const XmlNode row = requestRow(call);
        const std::string code = requiredAttribute(row, "strcode");
        requireStoredParent(call.CN, requiredAttribute(row, "strupcode"));
        if (itemCount(call.CN, code) != 1) raiseMessageNumbered(0, "Z7.Corvane.0013");
        const std::string typeCode = requiredTypeCode(row);
        // A stale row version (or a ts that is no number) changes nothing; the answer then shows the
        // row as stored.
        const std::optional<RowVersion> version = RowVersion::parseNumber(row.attribute("ts"));
        if (version) {
          sql::execute(call.CN, "update KX_IOItem set strname=" + SqlStr(row.attribute("strname")) + ",strtypecode=" +
                                    typeCode + " where strcode=" + SqlStr(code) + " And " + version->condition());
        }
        return recordGet(call);
      },
      namingConstraints(kEditConstraints));
}

bool CRPItem::recordDel(FuncCall& call) {
  return answerAsMember(
      call.oXml, kClass, "recordDel",
      [&] {
        const XmlNode row = requestRow(call);
        const std::string code = requiredAttribute(row, "strcode");
        if (sql::count(call.CN, "select count(*) from KX_IOItem where strUpCode = " + db::quoteLiteral(code)) != 0) {
          raiseMessage("Z7.Corvane.0015");
        }
        refuseWhenUsed(call.CN, code, kDeleteUseChecks);
        const std::optional<RowVersion> version = RowVersion::parseNumber(row.attribute("ts"));
        const long deleted = version ? sql::execute(call.CN, "delete from KX_IOItem where strcode=" + SqlStr(code) +
                                                                 " And " + version->condition())
                                     : 0;
        if (deleted != 1) raiseMessage("Z7.Corvane.0019");
        const std::string upCode = db::quoteLiteral(row.attribute("strupcode"));
        sql::execute(call.CN, "Update KX_IOItem Set blnEnd = 1 Where strCode = " + upCode +
                                  " And (Select Count(*) From KX_IOItem Where strUpCode = " + upCode + ") = 0");
        loadReply(call.oXml, "<success/>");
        return true;
      },
      namingConstraints(kDelConstraints));
}

bool CRPItem::recordGet(FuncCall& call) {
  return answerAsMember(call.oXml, kClass, "recordGet", [&] {
    const std::string code = requiredAttribute(requestRow(call), "strcode");
    db::Recordset rs = sql::open(call.CN,
                                 "select KX_IOItem.strcode as strcode,KX_IOItem.strname as strname,"
                                 "KX_IOItem.strtypecode as strtypecode,KX_OperationType.strname as strtypename,"
                                 "KX_IOItem.strupcode as strupcode,cast(KX_IOItem.ts As money) as ts from KX_IOItem"
                                 " left join KX_OperationType on KX_OperationType.strcode=KX_IOItem.strtypecode"
                                 " where KX_IOItem.strcode=" +
                                     SqlStr(code));
    if (rs.recordCount() != 1) raiseMessageNumbered(0, "Z7.Corvane.0021");
    loadReply(call.oXml, RsToRowXml(rs));
    return true;
  });
}

bool CRPItem::outputGet(FuncCall& call) {
  return answerAsMember(call.oXml, kClass, "outputGet", [&] {
    TreeOrderList list(itemRule(call.CN));
    list.append(rootListRow("2", kExpenseText));
    list.append(rootListRow("1", kIncomeText));
    db::Recordset rs = sql::open(call.CN, listQuery());
    for (; !rs.eof(); rs.moveNext()) list.placeBehindParent(listRow(rs));
    call.oXml.clear();
    list.writeTo(call.oXml.createDocumentElement("rows"));
    return true;
  });
}

}  // namespace corvane
