#include "posting/DraftLine.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <regex>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "posting/DraftState.h"
#include "posting/LedgerAccounts.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::size_t kDigestLength = 60;

constexpr const char* kColumns =
    "strTypeCode,VouchGUID,inid,csign,cdigest,ccode,ccodename,cexch_name,nfrat,md,md_f,mc,mc_f,nd_s,nc_s,"
    "cdept_id,cdept_name,cperson_id,cperson_name,ccus_id,ccus_name,csup_id,csup_name,citem_id,citem_name,"
    "citem_class,idoc,doutbilldate,coutid,ioutperiod,coutsysname,coutsign,coutno_id,doutdate,csettle,"
    "csettlename,bDirFlag,bWH_BgFlag,cdefine1,cdefine2,cdefine3,cdefine4,cdefine5,cdefine6,cdefine7,"
    "cdefine8,cdefine9,cdefine10,cdefine11,cdefine12,cdefine13,cdefine14,cdefine15,cdefine16,cn_id";

std::string text(const std::string& value) { return db::quoteLiteral(value); }

std::string optionalText(const std::optional<std::string>& value) {
  return value ? db::quoteLiteral(*value) : std::string("Null");
}

std::string dateValue(const Variant& value) {
  return value.isNull() || !IsDate(value) ? std::string("Null") : text(DateToStr(value, "-"));
}

std::string amount(Currency value) { return NumStr(Variant(value)); }

std::string rateValue(const Variant& rate) {
  const std::string number = SqlNum(rate);
  return number == "null" ? "Null" : number;
}

}  // namespace

void PutAmounts(DraftLine& line, bool normalDebit, bool mayChangeSide, Currency local, Currency foreign) {
  const bool changesSide = mayChangeSide && foreign < Currency();
  line.debit = normalDebit != changesSide;
  const Currency shownLocal = changesSide ? -local : local;
  const Currency shownForeign = changesSide ? -foreign : foreign;
  line.md = line.debit ? shownLocal : Currency();
  line.mdForeign = line.debit ? shownForeign : Currency();
  line.mc = line.debit ? Currency() : shownLocal;
  line.mcForeign = line.debit ? Currency() : shownForeign;
}

void InsertDraftLine(db::Connection& CN, const LoginContext& ologin, DraftState& state, const DraftLine& line) {
  if (state.nextLine == std::numeric_limits<std::int32_t>::max()) {
    raiseOverflow();
  }
  const std::string values =
      text(line.typeCode) + "," + text(line.vouchGuid) + "," + std::to_string(state.nextLine) + "," +
      text(state.voucherType) + "," + text(FirstCharacters(line.digest, kDigestLength)) + "," + text(line.accountCode) +
      "," + text(line.accountName) + "," + text(line.currency) + "," + rateValue(line.rate) + "," + amount(line.md) +
      "," + amount(line.mdForeign) + "," + amount(line.mc) + "," + amount(line.mcForeign) + "," + line.debitQuantity +
      "," + line.creditQuantity + "," + text(line.departmentId) + "," + text(line.departmentName) + "," +
      text(line.personId) + "," + text(line.personName) + ",Null,Null,Null,Null," + text(line.itemId) + ",Null," +
      text(line.itemClass) + "," + line.documents + "," + text(state.voucherDate) + "," + text(line.vouchGuid) + "," +
      std::to_string(ologin.LoginPeriod()) + ",'KX'," + text(state.voucherType) + "," + text(line.sourceNumber) + "," +
      dateValue(line.sourceDate) + "," + optionalText(line.settleStyle) + "," + optionalText(line.settleName) + "," +
      (line.debit ? "'1'" : "'0'") + "," + (line.budgetPassed ? "1" : "0") + line.userDefined + "," +
      optionalText(line.billNumber);
  sql::execute(CN, "Insert Into " + state.table + " (" + kColumns + ") Values (" + values + ")");
  ++state.nextLine;
}

std::string FirstCharacters(const std::string& text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t characters = 0; end < text.size() && characters < count; ++characters) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return text.substr(0, end);
}

std::vector<std::string> LineSources(const std::string& coutid, const std::string& vouchGuid) {
  static const std::regex kGuid(R"(\{[0-9A-Fa-f-]{36}\})");
  const auto upper = [](std::string guid) {
    std::transform(guid.begin(), guid.end(), guid.begin(), [](unsigned char c) { return std::toupper(c); });
    return guid;
  };
  std::vector<std::string> guids;
  for (auto it = std::sregex_iterator(vouchGuid.begin(), vouchGuid.end(), kGuid); it != std::sregex_iterator(); ++it)
    guids.push_back(upper(it->str()));
  if (!coutid.empty()) guids.push_back(upper(coutid));
  return guids;
}

}  // namespace corvane
