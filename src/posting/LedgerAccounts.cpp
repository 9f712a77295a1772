#include "posting/LedgerAccounts.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "platform/db/Connection.h"
#include "platform/db/Field.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/OPSubjectLookup.h"

namespace corvane {

namespace {

constexpr int kUserDefinedFields = 16;

std::string accountName(db::Connection& CN, const std::string& code) {
  const db::Recordset rs = sql::openReadOnly(CN, "Select ccode_name From code Where ccode = " + db::quoteLiteral(code));
  return rs.eof() ? std::string() : NullToStr(rs.field(0).value());
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string userDefinedValue(const db::Field& field) {
  const Variant& value = field.value();
  if (value.isNull()) return ",Null";
  switch (field.type()) {
    case db::adInteger:
    case db::adDouble:
    case db::adCurrency: return ",'" + SqlNum(value) + "'";
    case db::adBoolean: return ",'" + SqlBool(value) + "'";
    default: return "," + SqlStr(value);
  }
}

std::string sixteenNulls() {
  std::string values;
  for (int i = 0; i < kUserDefinedFields; ++i) values += ",Null";
  return values;
}

}  // namespace

LedgerAccount GetIOSubject(db::Connection& CN, const std::string& operationType, const std::string& item,
                           const std::string& currency) {
  const std::string select =
      "Select strSubject,ccode_name,blnModiDire From KX_PzSet_IO Left Join code On code.ccode = "
      "KX_PzSet_IO.strSubject Where strOperatType = " +
      db::quoteLiteral(operationType) + " And Isnull(strCurrency ,'') = " + db::quoteLiteral(currency);
  // The item's own setting first, then any of the operation type and currency.
  const std::string queries[] = {
      select + " And IsNull(strIOItemCode ,'') = " + db::quoteLiteral(item) + " Order By KX_PzSet_IO.strIOItemCode",
      select + " Order By KX_PzSet_IO.strIOItemCode",
  };
  for (const std::string& query : queries) {
    const db::Recordset rs = sql::openReadOnly(CN, query);
    if (rs.eof()) continue;
    return LedgerAccount{NullToStr(rs.field("strSubject").value()), NullToStr(rs.field("ccode_name").value()),
                         NullToBool(rs.field("blnModiDire").value())};
  }
  return {};
}

LedgerAccount GetOPSubject(db::Connection& CN, const std::string& kind, const std::string& balanceType,
                           const std::string& bank, const std::string& currency) {
  LedgerAccount account;
  account.code = GetPzSetSubject(CN, kind, balanceType, bank, currency);
  if (!account.code.empty()) account.name = accountName(CN, account.code);
  return account;
}

int GetSubjectSide(db::Connection& CN, const std::string& code) {
  const std::string views[] = {"vwKXIOKM", "vwKXOPKM"};
  for (int side = 0; side < 2; ++side) {
    if (!sql::openReadOnly(CN, "select * from " + views[side] + " where strcode=" + db::quoteLiteral(code)).eof())
      return side;
  }
  return -1;
}

std::string GetCDefineValues(const std::string& table, const std::string& guid, db::Connection& CN) {
  const std::string head = lowerCase(table);
  if (head != "kx_expenvouch" && head != "kx_loanvouch") return sixteenNulls();
  try {
    std::string columns;
    for (int i = 1; i <= kUserDefinedFields; ++i) columns += (i > 1 ? ",cdefine" : "cdefine") + std::to_string(i);
    const db::Recordset rs =
        sql::openReadOnly(CN, "select " + columns + " from " + head + " where guid=" + db::quoteLiteral(guid));
    if (rs.eof()) return sixteenNulls();
    std::string values;
    for (int i = 0; i < kUserDefinedFields; ++i) values += userDefinedValue(rs.field(i));
    return values;
  } catch (const std::exception&) {
    return sixteenNulls();
  }
}

std::string NumStr(const Variant& value) {
  if (value.isNull() || !IsNumeric(value)) return "0";
  if (value.type() == VarType::Currency) return value.asCurrency().toString();
  return CStr(Variant::dbl(Val(CStr(value))));
}

}  // namespace corvane
