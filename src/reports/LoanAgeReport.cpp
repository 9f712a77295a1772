#include "reports/LoanAgeReport.h"

#include <optional>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
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

constexpr const char* kSource = "Corvane:CReport:LoanAgeData";

struct AgeGrouping {
  const char* messageId;
  const char* codes;       // SELECT list of the code columns
  const char* groupBy;     // GROUP BY of the code columns
  const char* condition;   // added to WHERE
  const char* joins;       // added to FROM
  const char* nameColumn;  // the names of the final query
  const char* nameJoin;    // the join of the final query; the item grouping appends the items
  bool twoCodes;           // the item grouping: class and item
};

constexpr AgeGrouping kGroupings[] = {
    {"Z7.Corvane.Web.0624", "kx_loanvouch.strdepartid as ccode", "kx_loanvouch.strdepartid",
     " and kx_loanvouch.strdepartid is not null", "", "department.cdepname as cname",
     "department on loan.ccode=department.cdepcode", false},
    {"Z7.Corvane.0134", "kx_loanvouch.strloanid as ccode", "kx_loanvouch.strloanid",
     " and kx_loanvouch.strloanid is not null", "", "person.cpersonname as cname",
     "person on loan.ccode=person.cpersoncode", false},
    {"Z7.Corvane.0135", "KX_EISet_NUStand.strEICode as ccode", "KX_EISet_NUStand.strEICode",
     " and KX_EISet_NUStand.strEICode is not null",
     " left join KX_PersonCtrl on kx_loanvouch.strloanid=KX_PersonCtrl.strPersonCode left join KX_EISet_NUStand on "
     "KX_EISet_NUStand.intEICode=1 and KX_EISet_NUStand.strEICode=KX_PersonCtrl.strGradeID",
     "KX_EISet_NUStand.strEIName as cname",
     "KX_EISet_NUStand on KX_EISet_NUStand.intEICode=1 and loan.ccode=KX_EISet_NUStand.strEICode", false},
    {"Z7.Corvane.0131", "kx_loanvouch.stritemclassid as ccode", "kx_loanvouch.stritemclassid",
     " and kx_loanvouch.stritemclassid is not null", "", "fitem.citem_name as cname",
     "fitem on loan.ccode=fitem.citem_class", false},
    {"Z7.Corvane.Web.0634", "kx_loanvouch.stritemclassid as cclasscode,kx_loanvouch.stritemid as ccode",
     "kx_loanvouch.stritemclassid,kx_loanvouch.stritemid",
     " and kx_loanvouch.stritemclassid is not null and kx_loanvouch.stritemid is not null", "",
     "fitem.citem_name as cclassname,fitems.citemname as cname",
     "fitem on loan.cclasscode=fitem.citem_class left join ", true},
    {"Z7.Corvane.Web.0635", "kx_loanvouch.strbuditemid as ccode", "kx_loanvouch.strbuditemid",
     " and kx_loanvouch.strbuditemid is not null", "", "BG_Item.citemname as cname",
     "BG_Item on loan.ccode=BG_Item.cItemCode", false},
};

const AgeGrouping& groupingOf(const std::string& text) {
  for (const AgeGrouping& grouping : kGroupings) {
    if (GetResString(grouping.messageId) == text) return grouping;
  }
  raiseMessageFrom(kSource, 1001, "Z7.Corvane.0343", text);
}

std::string attributeAt(const XmlNode& func, const char* xpath) {
  const XmlNode node = func.selectSingleNode(xpath);
  if (!node) raiseObjectMissing();
  return node.attribute("value");
}

// The report date as a literal; anything that is no date is refused before any SQL is written.
std::string reportDateLiteral(const std::string& text) {
  if (!IsDate(Variant(text))) raiseTypeMismatch();
  return db::quoteLiteral(text);
}

// The interval's upper bound in days: a 16-bit whole number, halves rounded to even.
int upperBound(const XmlNode& interval) {
  const std::optional<std::string> count = interval.findAttribute("icount");
  if (!count) raiseTypeMismatch();
  return CInt(Variant(*count));
}

std::string columnsOf(bool twoCodes, bool withIdentity) {
  const std::string code = "[ccode] [varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL ,";
  const std::string classCode = "[cclasscode] [varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL ,";
  return "(" + (twoCodes ? classCode : std::string()) + code +
         "[dtloandate] [datetime] NULL ,[dbllack] [decimal](18, 2) NULL" +
         (withIdentity ? ",[autoid] [int] IDENTITY (1, 1) NOT NULL" : "") + ") ON [PRIMARY]";
}

// The SQL of the report's rows over the page table `pageTable`.
std::string reportQuery(const AgeGrouping& grouping, const std::vector<XmlNode>& intervals, const std::string& date,
                        const std::string& pageTable, db::Connection& connection) {
  const std::string codes = grouping.twoCodes ? "cclasscode,ccode" : "ccode";
  const std::string days = "datediff(day,dtloandate," + date + ")";
  std::string body =
      "(select " + codes + ",sum(dbllack) as dbllack from " + pageTable + " group by " + codes + ")loans";
  std::string columns = grouping.twoCodes ? "loans.cclasscode,loans.ccode as ccode" : "loans.ccode as ccode";
  int previous = -1;
  for (std::size_t i = 0; i < intervals.size(); ++i) {
    const std::string loan = "loan" + std::to_string(i);
    std::string interval = "select " + codes + ",sum(dbllack) as dbllack from " + pageTable + " where " +
                           (previous == -1 ? std::string("1=1") : days + ">" + std::to_string(previous));
    previous = upperBound(intervals[i]);
    if (previous != 0) interval += " and " + days + "<=" + std::to_string(previous);
    interval += " group by " + codes;
    body += " left join (" + interval + ")" + loan + " on " +
            (grouping.twoCodes ? "loans.cclasscode=" + loan + ".cclasscode and " : std::string()) +
            "loans.ccode=" + loan + ".ccode";
    // A group whose amounts add up to 0 has no share.
    columns += ",convert(varchar(20)," + loan + ".dbllack)as imoney" + std::to_string(i) +
               ",(case when loans.dbllack=0 then null else convert(varchar(6),convert(decimal(5,2)," + loan +
               ".dbllack*100/loans.dbllack)) end)as irate" + std::to_string(i);
  }
  columns += ",loans.dbllack as imoney";
  const std::string nameJoin = grouping.twoCodes
                                   ? grouping.nameJoin + GetItemTableSql("", connection) +
                                         " on fitem.citem_class=fitems.citem_class and loan.ccode=fitems.citemcode"
                                   : std::string(grouping.nameJoin);
  return "select distinct loan.*," + std::string(grouping.nameColumn) + " from (select " + columns + " from " + body +
         ")loan left join " + nameJoin;
}

}  // namespace

std::string LoanAgeFormat(const std::vector<XmlNode>& intervals, const std::string& grouping) {
  if (intervals.empty()) return {};
  const auto m = [](const char* id) { return XmlEncode(GetResString(id)); };
  const std::string code = m("Z7.Corvane.Web.0612");
  const std::string name = m("Z7.Corvane.Web.0613");
  const bool items = grouping == GetResString("Z7.Corvane.Web.0634");
  std::string format = "<rows>";
  if (items) {
    const std::string itemClass = m("Z7.Corvane.0131");
    format += "<row name='' text='" + itemClass + "' printname='cclasscode,cclassname' printtext='" + itemClass +
              "@2|" + code + "," + name + "'><row name='cclasscode' text='" + code +
              "' width='600' align='left'/><row name='cclassname' text='" + name +
              "' width='1300' align='left'/></row>";
  }
  const std::string heading = items ? m("Z7.Corvane.Web.0634") : XmlEncode(grouping);
  format += "<row name='' text='" + heading + "' printname='ccode,cname' printtext='" + heading + "@2|" + code + "," +
            name + "'><row name='ccode' text='" + code + "' width='800' align='left'/><row name='cname' text='" + name +
            "' width='1800' align='left'/></row>";
  const std::string amount = m("Z7.Corvane.Web.0631");
  const std::string share = m("Z7.Corvane.0378") + "(％)";
  for (std::size_t i = 0; i < intervals.size(); ++i) {
    const std::string caption = XmlEncode(intervals[i].attribute("cdays"));
    const std::string n = std::to_string(i);
    format += "<row name='' text='" + caption + "' printname='imoney" + n + ",irate" + n + "' printtext='" + caption +
              "@2|" + amount + "," + share + "'><row name='imoney" + n + "' text='" + amount +
              "' width='1200' align='right' total='1'/><row name='irate" + n + "' text='" + share +
              "' width='1200' align='right'/></row>";
  }
  const std::string total = m("Z7.Corvane.0132");
  format += "<row name='imoney' text='" + total + "' printname='imoney' printtext='" + total +
            "' width='1500' align='right' total='1'/></rows>";
  return format;
}

std::string LoanAgeReply(LoginContext& ologin, db::Connection& connection, const XmlNode& func) {
  const std::vector<XmlNode> intervals = func.selectNodes("in/age/age/row");
  const std::string groupingText = attributeAt(func, "in/type/row[@name='stritem']");
  const std::string dateText = attributeAt(func, "in/type/row[@name='dtdate']");
  const std::string format = LoanAgeFormat(intervals, groupingText);
  if (format.empty()) raiseMessageFrom(kSource, 1001, "Z7.Corvane.0133");
  const PageRequest page = ReadPageRequest(func);
  const std::string date = reportDateLiteral(dateText);
  const XmlNode condition = func.selectSingleNode("in/cond");
  const AgeGrouping& grouping = groupingOf(groupingText);
  const std::string where = (condition ? BuildWhereFromXml(condition) : std::string("1=1")) +
                            " and kx_loanvouch.dtloandate<" + date + grouping.condition;
  const std::string from = GetAuthSource(ologin, "kx_loanvouch", true) + grouping.joins;
  const std::string inner = "select " + std::string(grouping.codes) +
                            ",kx_loanvouch.dtloandate as dtloandate,sum(isnull(kx_loanvouch.dblmoney,0)-isnull("
                            "kx_loanvouch.dblreturn,0)) as dbllack from " +
                            from + " where " + where + " group by " + grouping.groupBy + ",kx_loanvouch.dtloandate";
  const std::string outstanding = " select * from(" + inner + ")loan where dbllack<>0";

  const ReportTempTable pageTable(connection, columnsOf(grouping.twoCodes, false));
  PageCut served;
  if (page.rows == 0) {
    sql::execute(connection, "insert into " + pageTable.fullName() + outstanding);
  } else {
    const ReportTempTable keyTable(connection, columnsOf(grouping.twoCodes, true));
    sql::execute(connection, "insert into " + keyTable.fullName() + outstanding);
    served = CutNumberedPage(connection, page, keyTable.fullName(), kSource);
    sql::execute(connection, "insert into " + pageTable.fullName() + " select " +
                                 (grouping.twoCodes ? "cclasscode," : "") + "ccode,dtloandate,dbllack from " +
                                 keyTable.fullName() + " where " + served.where + " order by autoid");
  }
  const std::string data =
      PageData(connection, reportQuery(grouping, intervals, date, pageTable.fullName(), connection), kSource);
  return PagedReplyText(served, page.rows, data, &format);
}

}  // namespace corvane
