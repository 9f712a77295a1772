#include "posting/LedgerRights.h"

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "request/QueryBuilders.h"
#include "request/SqlGateway.h"

namespace corvane {

namespace {

constexpr const char* kHeadTables[] = {"KX_LoanVouch", "KX_ExpenVouch"};

std::string countOf(const std::string& source, const std::string& voucherCondition) {
  return "(Select Count(*) From " + source + " Where " + voucherCondition + ")";
}

}  // namespace

bool AnyVoucherOutsideRights(const LoginContext& ologin, db::Connection& CN, const std::string& voucherCondition) {
  const std::string condition = "(" + voucherCondition + ")";
  // The vouchers selected, less those of them within the rights.
  std::string all;
  std::string within;
  bool restricted = false;
  for (const char* table : kHeadTables) {
    const std::string source = GetAuthSource(ologin, table, true);
    restricted = restricted || source != table;
    all += (all.empty() ? "" : " + ") + countOf(table, condition);
    within += " - " + countOf(source, condition);
  }
  if (!restricted) return false;
  const db::Recordset rs = sql::openReadOnly(CN, "Select " + all + within + " As outside");
  return CLng(rs.field(0).value()) > 0;
}

bool LedgerVoucherOutsideRights(const LoginContext& ologin, db::Connection& CN, const std::string& rowCondition) {
  const std::string rows = " From GL_accvouch Where GL_accvouch.coutsysname = 'kx' And (" + rowCondition + ")";
  return AnyVoucherOutsideRights(
      ologin, CN,
      "GUID In (Select GL_accvouch.coutid" + rows + ") Or PZGUID In (Select GL_accvouch.coutno_id" + rows + ")");
}

}  // namespace corvane
