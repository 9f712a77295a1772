#include "core/PubReference.h"

#include <cstdio>

#include "host/LoginContext.h"
#include "host/ReferServerQuery.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/PubCommon.h"
#include "request/RequestFrame.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"
#include "request/SqlText.h"
#include "request/Values.h"

namespace corvane {

namespace {

using db::quoteLiteral;

constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='utf-8'?>";

// Loads "<rows>" + the rows of `tsql` + "</rows>" into the reply.
bool rowsReply(FuncCall& call, const std::string& tsql, std::string_view declaration = "") {
  db::Recordset rs = sql::open(call.CN, tsql);
  if (!rs.isOpen()) {
    throw RuntimeError(errnum::kDbStatement, "The statement returns no rows.");
  }
  loadReply(call.oXml, std::string(declaration) + "<rows>" + RsToRowXml(rs) + "</rows>");
  return true;
}

std::string dateWith(const DateTime& date, char separator) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%c%02d%c%02d", date.year, separator, date.month, separator, date.day);
  return text;
}

std::string firstValue(db::Connection& cn, const std::string& tsql, std::string_view column) {
  const db::Recordset rs = sql::open(cn, tsql);
  return rs.eof() ? std::string() : NullToStr(rs.field(column).value());
}

bool keepsPeriodRates(db::Connection& cn) {
  const db::Recordset rs =
      sql::open(cn, "Select cValue From AccInformation Where cSysID='AA' and cName='iXchgRateStl'");
  if (rs.eof()) return false;
  std::string value = NullToStr(rs.field("cValue").value());
  for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return value == "TRUE";
}

long periodOf(FuncCall& call, const DateTime& date) {
  const std::string day = quoteLiteral(dateWith(date, '-'));
  const db::Recordset rs = sql::open(
      call.CN, "Select iid from vqsystem..UA_period where cAcc_id=" + quoteLiteral(call.ologin.AccountId()) +
                   " and iyear=" + SqlNum(call.ologin.LoginYear()) + " and dbegin<=" + day + " and dend>=" + day);
  return rs.eof() ? 0 : CLng(rs.field("iid").value());
}

// Period rates keep the period number in cdate as text; comparing it as text never converts the
// daily rates' 'yyyy.mm.dd' texts to numbers.
std::string periodRateQuery(const std::string& currency, long period) {
  const std::string number = std::to_string(period);
  return "select * from exch where cexch_name=" + quoteLiteral(currency) + " and itype=2 and iperiod=" + number +
         " and cdate=" + quoteLiteral(number);
}

std::string rateAt(FuncCall& call, const std::string& currency, const DateTime& date) {
  const long period = periodOf(call, date);
  if (keepsPeriodRates(call.CN)) {
    return firstValue(call.CN, periodRateQuery(currency, period) + " order by cexch_name, itype, iperiod, cdate",
                      "nFlat");
  }
  const db::Recordset daily = sql::open(call.CN, "Select nflat from exch where cexch_name=" + quoteLiteral(currency) +
                                                     " and itype=1 and iperiod=" + std::to_string(period) +
                                                     " and cdate=" + quoteLiteral(dateWith(date, '.')));
  if (!daily.eof()) return NullToStr(daily.field("nflat").value());
  return firstValue(call.CN, periodRateQuery(currency, period), "nFlat");
}

}  // namespace

bool accGet(FuncCall& call) {
  return pub::served(call.oXml, "accGet", [&] {
    return rowsReply(call,
                     "SELECT csysid,cname,ctype,cvalue,cdefault FROM AccInformation where csysid "
                     "IN ('AA','GL','KX') OR cName IN ('dNBFirstDate','dNBStartDate',"
                     "'dNBStartDatePeriod','dBMFirstDate','dBMNatureDate','dBMPeriodDate')");
  });
}

bool accGet2(FuncCall& call) {
  return pub::served(call.oXml, "accGet2", [&] {
    return rowsReply(call,
                     "SELECT cSysID,cID,cName,cType,cValue,cDefault FROM AccInformation where "
                     "csysid IN ('AA')");
  });
}

bool authGet(FuncCall& call) {
  return pub::served(call.oXml, "authGet", [&] {
    const XmlNode userNode = pub::inputOf(call.oNode).child("user");
    const std::string user = quoteLiteral(userNode ? userNode.text() : call.ologin.UserId());
    return rowsReply(
        call, "SELECT lower(cauth_id) as name FROM UA_HoldAuth WHERE cAcc_Id=" + quoteLiteral(call.ologin.AccountId()) +
                  " AND iYear=" + SqlNum(call.ologin.LoginYear()) + " AND (iIsUser=1 AND cUser_Id = " + user +
                  " OR iIsUser=0 AND cUser_Id IN (SELECT cGroup_Id FROM UA_Role WHERE "
                  "cUser_Id= " +
                  user + "))");
  });
}

bool currencyGet(FuncCall& call) {
  return pub::served(call.oXml, "currencyGet", [&] {
    return rowsReply(call, "select cexch_name,cexch_code,bcal,idec,nerror,iotherused FROM foreigncurrency");
  });
}

bool hlGet(FuncCall& call) {
  return pub::served(call.oXml, "currencyGet", [&] {
    const XmlNode in = pub::inputOf(call.oNode);
    const std::string currency = pub::requiredChild(in, "exchname").text();
    const std::string dateText = pub::requiredChild(in, "curdate").text();
    std::string rate;
    if (sql::exists(call.CN, "select * from foreigncurrency where cexch_name=" + quoteLiteral(currency))) {
      const DateTime date = dateText.empty() ? call.ologin.LoginDate() : CDate(Variant(dateText));
      rate = rateAt(call, currency, date);
    }
    loadReply(call.oXml, std::string(kDeclaration) + "<hl>" + XmlEncode(rate) + "</hl>");
    return true;
  });
}

bool selectGet(FuncCall& call) {
  return pub::served(call.oXml, "selectGet", [&] {
    const std::string tsql = pub::requiredChild(pub::inputOf(call.oNode), "sql").text();
    RequireReadOnlyQuery(FixSqlText(tsql));
    db::Recordset rs = sql::openReadOnly(call.CN, tsql);
    loadReply(call.oXml, std::string(kDeclaration) + "<rows>" + RsToRowXml(rs) + "</rows>");
    return true;
  });
}

}  // namespace corvane
