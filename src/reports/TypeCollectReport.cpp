#include "reports/TypeCollectReport.h"

#include <optional>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "reports/PagedList.h"
#include "reports/ReportTempTable.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr const char* kSource = "Corvane:CReport:typeCollectData";

struct TypeGrouping {
  const char* messageId;
  const char* codes;      // SELECT list of the code columns
  const char* groupBy;    // GROUP BY of the code columns
  const char* condition;  // added to WHERE
  const char* joins;      // added to FROM
  const char* nameHead;   // the final query's text before the rows
  const char* nameTail;   // and after them; the item grouping appends the items
  bool twoCodes;          // the item grouping: class and item
};

constexpr TypeGrouping kGroupings[] = {
    {"Z7.Corvane.Web.0624", "kx_vch.strdepartid as ccode", "kx_vch.strdepartid", " and kx_vch.strdepartid is not null",
     "", "select loan.*,department.cdepname as cname from(",
     ")loan left join department on loan.ccode=department.cdepcode", false},
    {"Z7.Corvane.0143", "convert(varchar(10),kx_vch.dtloandate,120)as ccode", "kx_vch.dtloandate",
     " and kx_vch.dtloandate is not null", "", "", "", false},
    {"Z7.Corvane.0146", "kx_vch.strloanid as ccode", "kx_vch.strloanid", " and kx_vch.strloanid is not null", "",
     "select loan.*,person.cpersonname as cname from(", ")loan left join person on loan.ccode=person.cpersoncode",
     false},
    {"Z7.Corvane.0135", "KX_EISet_NUStand.strEICode as ccode", "KX_EISet_NUStand.strEICode",
     " and KX_EISet_NUStand.strEICode is not null",
     " left join KX_PersonCtrl on kx_vch.strloanid=KX_PersonCtrl.strPersonCode left join KX_EISet_NUStand on "
     "KX_EISet_NUStand.intEICode=1 and KX_EISet_NUStand.strEICode=KX_PersonCtrl.strGradeID",
     "select loan.*,KX_EISet_NUStand.strEIName as cname from(",
     ")loan left join KX_EISet_NUStand on KX_EISet_NUStand.intEICode=1 and loan.ccode=KX_EISet_NUStand.strEICode",
     false},
    {"Z7.Corvane.0131", "kx_vch.stritemclassid as ccode", "kx_vch.stritemclassid",
     " and kx_vch.stritemclassid is not null", "", "select loan.*,fitem.citem_name as cname from(",
     ")loan left join fitem on loan.ccode=fitem.citem_class", false},
    {"Z7.Corvane.Web.0634", "kx_vch.stritemclassid as cclasscode,kx_vch.stritemid as ccode",
     "kx_vch.stritemclassid,kx_vch.stritemid",
     " and kx_vch.stritemclassid is not null and kx_vch.stritemid is not null", "",
     "select loan.*,fitem.citem_name as cclassname,fitems.citemname as cname from(",
     ")loan left join fitem on loan.cclasscode=fitem.citem_class left join ", true},
    {"Z7.Corvane.Web.0635", "kx_vch.strbuditemid as ccode", "kx_vch.strbuditemid",
     " and kx_vch.strbuditemid is not null", "", "select loan.*,BG_Item.citemname as cname from(",
     ")loan left join BG_Item on loan.ccode=BG_Item.cItemCode", false},
};

const TypeGrouping& groupingOf(const std::string& text) {
  for (const TypeGrouping& grouping : kGroupings) {
    if (GetResString(grouping.messageId) == text) return grouping;
  }
  raiseMessageFrom(kSource, 1001, "Z7.Corvane.0343", text);
}

XmlNode rowAt(const XmlNode& func, const char* xpath) {
  const XmlNode node = func.selectSingleNode(xpath);
  if (!node) raiseObjectMissing();
  return node;
}

struct OperationType {
  std::string code;
  std::string text;
};

std::vector<OperationType> operationTypes(const std::vector<XmlNode>& elements) {
  std::vector<OperationType> types;
  for (const XmlNode& element : elements) {
    const std::optional<std::string> text = element.findAttribute("text");
    if (!text) raiseObjectMissing();
    types.push_back({element.attribute("code"), *text});
  }
  return types;
}

std::string codeColumns(bool twoCodes) {
  return std::string(twoCodes ? "([cclasscode] [varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL ," : "(") +
         "[ccode] [varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL ,";
}

std::string detailColumns(bool twoCodes, bool perCurrency) {
  return codeColumns(twoCodes) + "[ctype] [varchar] (20) NOT NULL ," +
         (perCurrency
              ? "[cexchname] [varchar] (50) NULL ,[imoney] [decimal](18, 2) NULL,[imoneyf] [decimal](18, 2) NULL"
              : "[imoney] [decimal](18, 2) NULL") +
         ") ON [PRIMARY]";
}

std::string pageColumns(bool twoCodes, bool perCurrency, std::size_t typeCount) {
  std::string columns =
      codeColumns(twoCodes) + (perCurrency ? "[cexchname] [varchar] (50) NULL ," : "") + "[imoney] [varchar](20) NULL";
  for (std::size_t i = 0; i < typeCount; ++i) {
    const std::string n = std::to_string(i);
    columns += perCurrency ? " ,[imoneyf" + n + "] [varchar](20) NULL ,[imoney" + n + "] [varchar](20) NULL"
                           : " ,[imoney" + n + "] [varchar](20) NULL";
  }
  return columns + " ,[autoid] [int] IDENTITY (1, 1) NOT NULL) ON [PRIMARY]";
}

// The report's rows, one per group (and currency), from the detail table `detail`.
std::string pivotQuery(const TypeGrouping& grouping, bool perCurrency, const std::vector<OperationType>& types,
                       const std::string& detail) {
  const std::string keys =
      std::string(grouping.twoCodes ? "cclasscode,ccode" : "ccode") + (perCurrency ? ",cexchname" : "");
  std::string columns = std::string(grouping.twoCodes ? "r.cclasscode as cclasscode," : "") + "r.ccode as ccode," +
                        (perCurrency ? "r.cexchname as cexchname," : "") +
                        "convert(varchar(20),convert(decimal(18,2),r.imoney))as imoney";
  std::string body = "(select " + keys + ",sum(imoney) as imoney from " + detail + " group by " + keys + ")r";
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string r = "r" + std::to_string(i);
    const std::string n = std::to_string(i);
    body += " left join(select " + keys + (perCurrency ? ",imoneyf,imoney from " : ",imoney from ") + detail +
            " where ctype=" + db::quoteLiteral(types[i].code) + ")" + r + " on " +
            (grouping.twoCodes ? "r.cclasscode=" + r + ".cclasscode and " : std::string()) + "r.ccode=" + r + ".ccode" +
            (perCurrency ? " and r.cexchname=" + r + ".cexchname" : "");
    if (perCurrency) columns += ",convert(varchar(20),convert(decimal(18,2)," + r + ".imoneyf))as imoneyf" + n;
    columns += ",convert(varchar(20),convert(decimal(18,2)," + r + ".imoney))as imoney" + n;
  }
  return " select " + columns + " from " + body;
}

}  // namespace

std::string TypeCollectFormat(const std::vector<XmlNode>& types, const std::string& grouping,
                              const std::string& display) {
  if (types.empty()) return {};
  const auto m = [](const char* id) { return XmlEncode(GetResString(id)); };
  const std::string code = m("Z7.Corvane.Web.0612");
  const std::string name = m("Z7.Corvane.Web.0613");
  std::string format = "<rows>";
  if (grouping == GetResString("Z7.Corvane.Web.0634")) {
    const std::string itemClass = m("Z7.Corvane.0131");
    const std::string item = m("Z7.Corvane.Web.0634");
    format += "<row name='' text='" + itemClass + "' printname='cclasscode,cclassname' printtext='" + itemClass +
              " @2|" + code + "," + name + "'><row name='cclasscode' text='" + code +
              "' width='600' align='left'/><row name='cclassname' text='" + name +
              "' width='1200' align='left'/></row><row name='' text='" + item +
              "' printname='ccode,cname' printtext='" + item + "@2|" + code + "," + name +
              "'><row name='ccode' text='" + code + "' width='800' align='left'/><row name='cname' text='" + name +
              "' width='1500' align='left'/></row>";
  } else if (grouping == GetResString("Z7.Corvane.0143")) {
    const std::string date = m("Z7.Corvane.0143");
    format +=
        "<row name='ccode' text='" + date + "' printname='ccode' printtext='" + date + "' width='1500' align='left'/>";
  } else {
    const std::string heading = XmlEncode(grouping);
    format += "<row name='' text='" + heading + "' printname='ccode,cname' printtext='" + heading + "@2|" + code + "," +
              name + "'><row name='ccode' text='" + code + "' width='800' align='left'/><row name='cname' text='" +
              name + "' width='1500' align='left'/></row>";
  }
  const bool perCurrency = display != GetResString("Z7.Corvane.0139");
  if (perCurrency) {
    const std::string currency = m("Z7.Corvane.0142");
    format += "<row name='cexchname' text='" + currency + "' printname='cexchname' printtext='" + currency +
              "' width='800' align='left'/>";
  }
  const std::string currencyAmount = m("Z7.Corvane.0140");
  const std::string localAmount = m("Z7.Corvane.0141");
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string caption = XmlEncode(types[i].attribute("text"));
    const std::string n = std::to_string(i);
    if (perCurrency) {
      format += "<row name='' text='" + caption + "' printname='imoneyf" + n + ",imoney" + n + "' printtext='" +
                caption + "@2|" + currencyAmount + "," + localAmount + "'><row name='imoneyf" + n + "' text='" +
                currencyAmount + "' width='1200' align='right'/><row name='imoney" + n + "' text='" + localAmount +
                "' width='1200' align='right' total='1'/></row>";
    } else {
      format += "<row name='imoney" + n + "' text='" + caption + "' printname='imoney" + n + "' printtext='" + caption +
                "' width='1300' align='right' total='1'/>";
    }
  }
  const std::string total = m("Z7.Corvane.0144");
  return format + "<row name='imoney' text='" + total + "' printname='imoney' printtext='" + total +
         "' width='1300' align='right' total='1'/></rows>";
}

std::string TypeCollectReply(LoginContext& ologin, db::Connection& connection, const XmlNode& func) {
  const XmlNode kindRow = rowAt(func, "in/type/row[@name='strtype']");
  const std::vector<XmlNode> typeElements = kindRow.children();
  const std::string groupingText = rowAt(func, "in/type/row[@name='stritem']").attribute("value");
  const std::string display = rowAt(func, "in/type/row[@name='strshow']").attribute("value");
  const std::string format = TypeCollectFormat(typeElements, groupingText, display);
  if (format.empty()) raiseMessageFrom(kSource, 1001, "Z7.Corvane.0145");
  const std::vector<OperationType> types = operationTypes(typeElements);
  const bool loans = kindRow.attribute("value") == GetResString("Z7.Corvane.0044");
  const bool perCurrency = display != GetResString("Z7.Corvane.0139");
  const PageRequest page = ReadPageRequest(func);

  const XmlNode condition = func.selectSingleNode("in/cond");
  std::string where = condition ? BuildWhereFromXml(condition) : std::string("1=1");
  std::string codes;
  for (const OperationType& type : types) codes += (codes.empty() ? "" : ",") + db::quoteLiteral(type.code);
  where += " and kx_vch.strtypecode in(" + codes + ")";
  const TypeGrouping& grouping = groupingOf(groupingText);
  where += grouping.condition;
  const std::string from =
      GetAuthSource(ologin, loans ? "kx_loanvouch" : "kx_expenvouch", false) + " kx_vch" + grouping.joins;
  const std::string amounts =
      perCurrency ? ",kx_vch.strtypecode as ctype,kx_vch.strbill as cexchname,sum(kx_vch.dbloldmoney)as imoney,"
                    "sum(kx_vch.dblmoney)as imoneyf"
                  : ",kx_vch.strtypecode as ctype,sum(kx_vch.dbloldmoney)as imoney";
  const std::string detailQuery = "select " + std::string(grouping.codes) + amounts + " from " + from + " where " +
                                  where + " group by " + grouping.groupBy + ",kx_vch.strtypecode" +
                                  (perCurrency ? ",kx_vch.strbill" : "");

  const ReportTempTable detail(connection, detailColumns(grouping.twoCodes, perCurrency));
  sql::execute(connection, "insert into " + detail.fullName() + " select * from(" + detailQuery + ")r where imoney<>0");
  const std::string pivot = pivotQuery(grouping, perCurrency, types, detail.fullName());
  std::string tail = grouping.nameTail;
  if (grouping.twoCodes) {
    tail +=
        GetItemTableSql("", connection) + " on fitem.citem_class=fitems.citem_class and loan.ccode=fitems.citemcode";
  }
  PageCut served;
  std::string data;
  if (page.rows == 0) {
    data = PageData(connection, grouping.nameHead + pivot + tail, kSource);
  } else {
    const ReportTempTable pageTable(connection, pageColumns(grouping.twoCodes, perCurrency, types.size()));
    sql::execute(connection, "insert into " + pageTable.fullName() + pivot);
    served = CutNumberedPage(connection, page, pageTable.fullName(), kSource);
    data = PageData(connection,
                    grouping.nameHead + (" select * from " + pageTable.fullName() + " where " + served.where) + tail,
                    kSource);
  }
  return PagedReplyText(served, page.rows, data, &format);
}

}  // namespace corvane
