#include "vouchers/VoucherRights.h"

#include <array>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/QueryBuilders.h"
#include "request/SqlGateway.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherSave.h"

namespace corvane {

namespace {

constexpr std::string_view kNothingAllowed = "1=2";

// One row right of a voucher head: the business object, the head column it governs and the
// message that refuses a value outside it. As GetAuthSource has it, an item list is a SELECT and
// a voucher without an item always passes.
struct HeadRight {
  const char* object;
  const char* column;
  const char* refusal;
  bool optional;
};

constexpr std::array kHeadRights = {
    HeadRight{"department", "strDepartID", "Z7.Corvane.0720", false},
    HeadRight{"person", "strLoanID", "Z7.Corvane.0721", false},
    HeadRight{"fitem", "strItemID", "Z7.Corvane.0722", true},
    HeadRight{"user", "strPersonID", "Z7.Corvane.0723", false},
};

const VoucherKind& firstKindOf(std::string_view headTable) {
  for (const VoucherKind& kind : kVoucherKinds) {
    if (kind.headTable == headTable) return kind;
  }
  throw RuntimeError(errnum::kInvalidArgument, "No voucher kind keeps its vouchers in " + std::string(headTable) + ".");
}

// The condition on KX_OperationType from the template rights of every card kept in `headTable`.
std::string templateCondition(const LoginContext& ologin, std::string_view headTable) {
  std::vector<std::string> cardTemplates;
  for (const VoucherKind& kind : kVoucherKinds) {
    if (kind.headTable == headTable) cardTemplates.push_back(GetRowAuth(ologin, "djmb", std::string(kind.card)));
  }
  return TemplateTypeCondition(cardTemplates);
}

bool valueAllowed(db::Connection& CN, const HeadRight& right, const std::string& allowed, const std::string& value) {
  if (allowed.empty()) return true;
  if (right.optional && value.empty()) return true;
  if (allowed == kNothingAllowed) return false;
  return sql::exists(CN, "Select 1 As found Where " + db::quoteLiteral(value) + " IN (" + allowed + ")");
}

}  // namespace

std::string TemplateTypeCondition(std::span<const std::string> cardTemplates) {
  std::string condition;
  bool noneAllowed = true;  // every card so far refused
  for (const std::string& templates : cardTemplates) {
    if (templates == kNothingAllowed) {
      if (noneAllowed) condition += " and 1=2";
    } else if (templates.empty()) {
      noneAllowed = false;
    } else {
      const std::string allowed = "(strShowModel in (" + templates + ")) ";
      condition = noneAllowed ? " and " + allowed : condition + " or " + allowed;
      noneAllowed = false;
    }
  }
  if (condition.empty()) return condition;
  return "(" + condition.substr(4) + ")";  // without the leading " and" or " or "
}

std::string ClaimTypeCondition(const std::string& incomeTemplates, const std::string& expenseTemplates) {
  const std::array cards = {incomeTemplates, expenseTemplates};
  return TemplateTypeCondition(cards);
}

VoucherRights::VoucherRights(const LoginContext& ologin, std::string_view headTable)
    : headTable_(firstKindOf(headTable).headTable) {
  const std::string rows = GetAuthSource(ologin, headTable_, true);
  const std::string types = templateCondition(ologin, headTable_);
  source_ = types.empty()
                ? rows
                : "(Select * From " + rows + " Where strTypeCode IN (Select strcode From KX_OperationType Where " +
                      types + ")) As " + headTable_;
}

bool VoucherRights::contains(db::Connection& CN, const std::string& condition) const {
  return sql::exists(CN, "Select AutoID From " + source_ + " Where " + condition);
}

bool VoucherRights::containsId(db::Connection& CN, const std::string& autoId) const {
  return contains(CN, "AutoID = " + autoId);
}

bool VoucherRights::containsGuid(db::Connection& CN, const std::string& guid) const {
  return contains(CN, "GUID = " + db::quoteLiteral(guid));
}

bool VoucherRights::containsLine(db::Connection& CN, const std::string& lineGuid) const {
  return contains(CN, "GUID = (Select MGuid From " + std::string(firstKindOf(headTable_).lineTable) +
                          " Where GUID = " + db::quoteLiteral(lineGuid) + ")");
}

void RequireHeadWithinRights(const LoginContext& ologin, db::Connection& CN, const XmlNode& row,
                             const VoucherKind& kind) {
  for (const HeadRight& right : kHeadRights) {
    const std::string value = row.attribute(right.column);
    if (!valueAllowed(CN, right, GetRowAuth(ologin, right.object), value)) raiseMessage(right.refusal, value);
  }
  const std::string types = templateCondition(ologin, kind.headTable);
  const std::string type = row.attribute("strTypeCode");
  if (!types.empty() && !sql::exists(CN, "Select strCode From KX_OperationType Where strCode = " +
                                             db::quoteLiteral(type) + " And " + types)) {
    raiseMessage("Z7.Corvane.0724", type);
  }
}

void RequirePersonWithinRights(const LoginContext& ologin, db::Connection& CN, const std::string& personCode) {
  const HeadRight& person = kHeadRights[1];
  if (personCode.empty()) return;
  if (!valueAllowed(CN, person, GetRowAuth(ologin, person.object), personCode)) {
    raiseMessage(person.refusal, personCode);
  }
}

}  // namespace corvane
