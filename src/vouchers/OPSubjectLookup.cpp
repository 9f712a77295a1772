#include "vouchers/OPSubjectLookup.h"

#include <optional>

#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

std::optional<std::string> firstSubject(db::Connection& CN, const std::string& operationType,
                                        const std::string& condition) {
  const db::Recordset rs =
      sql::openReadOnly(CN,
                        "SELECT KX_PzSet_OP.strSubject, code.ccode_name "
                        "FROM KX_PzSet_OP LEFT OUTER JOIN code ON KX_PzSet_OP.strSubject = code.ccode "
                        "Where KX_PzSet_OP.strOperatType = " +
                            db::quoteLiteral(operationType) + " And " + condition);
  if (rs.eof()) return std::nullopt;
  return NullToStr(rs.field(0).value());
}

}  // namespace

std::string GetPzSetSubject(db::Connection& CN, const std::string& selector, const std::string& balanceType,
                            const std::string& bank, const std::string& currency) {
  // The settings store the direction as its zh-CN word.
  const std::string operationType = GetResString(selector == "1" ? "Z7.Corvane.0185" : "Z7.Corvane.0186", "zh-CN");
  const std::string balance = db::quoteLiteral(balanceType);
  const std::string bankLiteral = db::quoteLiteral(bank);
  const std::string money = db::quoteLiteral(currency);
  const std::string steps[] = {
      "Isnull(KX_PzSet_OP.strBalanceType ,'') = " + balance + " And Isnull(KX_PzSet_OP.strBankID ,'') = " +
          bankLiteral + " And Isnull(KX_PzSet_OP.strCurrency ,'') = " + money,
      "KX_PzSet_OP.strBalanceType = " + balance + " And KX_PzSet_OP.strCurrency = " + money,
      "KX_PzSet_OP.strBankID = " + bankLiteral + " And KX_PzSet_OP.strCurrency = " + money,
      "KX_PzSet_OP.strBalanceType Like " + db::quoteLiteral(balanceType + "%") +
          " And KX_PzSet_OP.strCurrency = " + money,
  };
  for (const std::string& condition : steps) {
    if (std::optional<std::string> subject = firstSubject(CN, operationType, condition)) return *subject;
  }
  return {};
}

}  // namespace corvane
