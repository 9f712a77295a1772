#include "posting/EditedDraftSave.h"

#include <cctype>
#include <optional>
#include <set>
#include <vector>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Field.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "posting/DraftLine.h"
#include "posting/DraftSql.h"
#include "posting/LedgerRights.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestTransaction.h"
#include "request/SqlGateway.h"

namespace corvane {

namespace {

std::string textOf(const Variant& value) { return value.isNull() || value.isEmpty() ? std::string() : CStr(value); }

DateTime checkedVoucherDate(const XmlNode& in) {
  const std::optional<DateTime> date = DateTime::parse(in.attribute("dbill_date"));
  if (!date) raiseMessage("Z7.Corvane.0314");
  return DateTime{date->year, date->month, date->day};
}

void refuseBeforeModuleStart(db::Connection& CN, const DateTime& date) {
  const db::Recordset rs =
      sql::openReadOnly(CN, "SELECT CVALUE FROM AccInformation  WHERE CSYSID='KX' AND CNAME='dKXPeriodDate'");
  if (rs.eof()) raiseMessage("Z7.Corvane.0315");
  const Variant start = rs.field(0).value();
  if (!IsDate(start)) raiseMessage("Z7.Corvane.0317");
  if (date.dayNumber() < CDate(start).dayNumber()) raiseMessage("Z7.Corvane.0316", textOf(start));
}

void refuseClosedPeriod(const LoginContext& ologin, db::Connection& CN, const DateTime& date) {
  const db::Recordset rs = sql::openReadOnly(CN, "select max(iperiod) as iperiod from gl_mend where bflag=1");
  const Variant closed = rs.field(0).value();
  if (!IsNumeric(closed)) return;
  if (GetPeriodOfDate(ologin, CN, date) <= CLng(closed)) raiseMessage("Z7.Corvane.0318");
}

void refuseOutsideLoginYear(const LoginContext& ologin, db::Connection& CN, const DateTime& date) {
  const std::string periods =
      "select dBegin, dEnd from vqsystem..ua_period where cacc_id=" + db::quoteLiteral(ologin.AccountId()) +
      " and iyear=" + db::quoteLiteral(ologin.LoginYear()) + " and iid=";
  const db::Recordset first = sql::openReadOnly(CN, periods + "1");
  if (!first.eof() && date.dayNumber() < CDate(first.field("dBegin").value()).dayNumber())
    raiseMessage("Z7.Corvane.0319");
  const db::Recordset last = sql::openReadOnly(CN, periods + "12");
  if (!last.eof() && date.dayNumber() > CDate(last.field("dEnd").value()).dayNumber()) raiseMessage("Z7.Corvane.0319");
}

std::set<std::string> accountsKeepingSettleStyle(db::Connection& CN) {
  std::set<std::string> accounts;
  for (db::Recordset rs = sql::openReadOnly(CN, "select ccode from code where be=1"); !rs.eof(); rs.moveNext())
    accounts.insert(textOf(rs.field(0).value()));
  return accounts;
}

// What the lines have been checked for, so that each batch and claim is checked once.
struct CheckedSources {
  std::set<std::string> batches;
  std::set<std::string> claims;
};

// A line that names a voucher outside the user's data rights is answered as one naming a voucher
// that does not exist, before any check speaks of that voucher or its ledger voucher.
void refuseSourcesOutsideRights(const LoginContext& ologin, db::Connection& CN, const std::vector<XmlNode>& lines) {
  std::set<std::string> guids;
  for (const XmlNode& line : lines) {
    for (std::string& guid : LineSources(line.attribute("coutid"), line.attribute("VouchGUID")))
      guids.insert(std::move(guid));
  }
  if (guids.empty()) return;
  std::string list;
  for (const std::string& guid : guids) list += (list.empty() ? "" : ",") + db::quoteLiteral(guid);
  if (AnyVoucherOutsideRights(ologin, CN, "GUID In (" + list + ")")) raiseMessage("Z7.Corvane.0167");
}

void checkLineSource(db::Connection& CN, const XmlNode& line, CheckedSources& checked) {
  const bool isLoan = line.attribute("strTypeCode").rfind('3', 0) == 0;
  const std::string table = isLoan ? "KX_LoanVouch" : "KX_ExpenVouch";
  const std::string batch = line.attribute("coutno_id");
  if (checked.batches.insert(batch).second &&
      !sql::openReadOnly(CN, "select guid from KX_LoanVouch where pzguid=" + db::quoteLiteral(batch) +
                                 " union select guid from KX_ExpenVouch where pzguid=" + db::quoteLiteral(batch))
           .eof())
    raiseMessage("Z7.Corvane.0320");
  const std::string claim = line.attribute("coutid");
  if (isLoan || !checked.claims.insert(claim).second) return;
  const db::Recordset rs =
      sql::openReadOnly(CN, "select strVerifier from " + table + " where guid=" + db::quoteLiteral(claim));
  if (rs.eof() || textOf(rs.field(0).value()).empty()) raiseMessage("Z7.Corvane.0167");
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool isNumberType(db::DataType type) {
  switch (type) {
    case db::adSmallInt:
    case db::adInteger:
    case db::adSingle:
    case db::adDouble:
    case db::adCurrency:
    case db::adTinyInt:
    case db::adUnsignedTinyInt:
    case db::adBigInt:
    case db::adNumeric: return true;
    default: return false;
  }
}

// A line's value as SQL for a column of `field`'s type; a value of another type is refused.
std::string columnValue(const db::Field& field, const std::string& text) {
  const auto refuse = [&] { raiseMessage("Z7.Corvane.0682", field.name(), text); };
  if (isNumberType(field.type())) {
    const std::optional<Currency> number = Currency::parse(text);
    if (!number) refuse();
    return field.type() == db::adDouble || field.type() == db::adSingle ? CStr(Variant::dbl(CDbl(Variant(text))))
                                                                        : number->toString();
  }
  if (field.type() == db::adBoolean) {
    try {
      return CBool(Variant(text)) ? "1" : "0";
    } catch (const RuntimeError&) {
      refuse();
    }
  }
  if (field.type() == db::adDBTimeStamp) {
    const std::optional<DateTime> date = DateTime::parse(text);
    if (!date) refuse();
    return db::quoteLiteral(date->toSqlString());
  }
  return db::quoteLiteral(text);
}

// Writes one edited line; answers its batch id.
std::string writeLine(db::Connection& CN, const std::string& table, const db::Recordset& columns, const XmlNode& line,
                      const DateTime& voucherDate, const std::set<std::string>& settleAccounts) {
  const bool keepsSettleStyle = settleAccounts.count(line.attribute("ccode")) > 0;
  std::string names;
  std::string values;
  for (const auto& [name, text] : line.attributes()) {
    if (text.empty() || !FieldExists(columns, name)) continue;
    const db::Field& field = columns.field(name);
    const std::string lower = lowerCase(field.name());
    if (lower == "dbill_date") continue;
    names += field.name() + ",";
    if (lower == "csettle" || lower == "csettlename")
      values += (keepsSettleStyle ? db::quoteLiteral(text) : std::string("null")) + ",";
    else
      values += columnValue(field, text) + ",";
  }
  if (names.empty()) raiseMessage("Z7.Corvane.0321");
  sql::execute(CN, "Insert Into " + table + " (" + names + "dbill_date) Values (" + values +
                       db::quoteLiteral(voucherDate.toSqlString()) + ")");
  return line.attribute("coutno_id");
}

void saveLines(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, PostingDraft& draft,
               const DraftTableCreator& createDraftTable) {
  RequestTransaction transaction(CN);
  const std::string table = createDraftTable(CN, ologin);
  if (table.empty()) raiseMessage("Z7.Corvane.0371");
  const db::Recordset columns = sql::openReadOnly(CN, "Select * From " + table + " where 1= 2");
  const XmlNode in = funcNode.selectSingleNode("//in");
  const DateTime date = checkedVoucherDate(in);
  refuseBeforeModuleStart(CN, date);
  refuseClosedPeriod(ologin, CN, date);
  refuseOutsideLoginYear(ologin, CN, date);
  const std::set<std::string> settleAccounts = accountsKeepingSettleStyle(CN);
  const std::vector<XmlNode> lines = funcNode.selectNodes("//Rows/*");
  refuseSourcesOutsideRights(ologin, CN, lines);
  CheckedSources checked;
  std::string batch;
  for (const XmlNode& line : lines) {
    checkLineSource(CN, line, checked);
    const std::string lineBatch = writeLine(CN, table, columns, line, date, settleAccounts);
    if (!lineBatch.empty()) batch = lineBatch;
  }
  transaction.commit();
  draft = PostingDraft{table, batch, {}};
}

}  // namespace

bool SaveTempPZData(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml,
                    PostingDraft& draft, const DraftTableCreator& createDraftTable) {
  const bool saved = answerAsMember(oXml, "CLoan", "recordGet", [&] {
    saveLines(ologin, CN, funcNode, draft, createDraftTable);
    return true;
  });
  return saved && ConvertPZ(ologin, CN, funcNode, oXml, draft);
}

}  // namespace corvane
