#include "settings/CChoice.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::array kFuncTable = {
    FuncEntry<CChoice>{"edit", &CChoice::recordEdit, true, "KX010102"},
    FuncEntry<CChoice>{"get", &CChoice::recordGet, false, "KX010101"},
};

constexpr int kFewestDays = 1;
constexpr int kMostDays = 999;
constexpr std::size_t kLongestCodeRule = 5;

// What one edit works on: the request element, the stored values by option id, whether the
// budget system is usable, and the update statements collected so far.
struct OptionEdit {
  db::Connection& connection;
  XmlNode request;
  std::map<std::string, std::string> stored;
  bool budgetUsable;
  std::string batch;
};

struct OptionRule {
  const char* id;
  const char* name;
  void (*apply)(OptionEdit& edit, const OptionRule& rule);
};

// The number of characters of a UTF-8 text.
std::size_t textLength(const std::string& text) {
  std::size_t length = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++length;
  }
  return length;
}

// The characters of a UTF-8 text, each as its own text.
std::vector<std::string> characters(const std::string& text) {
  std::vector<std::string> result;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 || result.empty()) {
      result.emplace_back(1, c);
    } else {
      result.back() += c;
    }
  }
  return result;
}

std::map<std::string, std::string> storedOptions(db::Connection& connection) {
  db::Recordset rs = sql::open(connection,
                               "SELECT cID, isnull(cValue,'') as cValue From dbo.AccInformation WHERE "
                               "(cSysID = 'KX') AND (cID LIKE '1%') ORDER BY cID");
  std::map<std::string, std::string> stored;
  for (; !rs.eof(); rs.moveNext()) {
    stored.emplace(NullToStr(rs.field("cID").value()), NullToStr(rs.field("cValue").value()));
  }
  return stored;
}

// The stored text of an option that must exist.
const std::string& storedValue(const OptionEdit& edit, const OptionRule& rule) {
  const auto found = edit.stored.find(rule.id);
  if (found == edit.stored.end()) {
    raiseObjectMissing();
  }
  return found->second;
}

std::string requestText(const OptionEdit& edit, const OptionRule& rule) { return edit.request.attribute(rule.name); }

// A Boolean option's new value as it is stored: "True" or "False".
std::string requestBoolean(const OptionEdit& edit, const OptionRule& rule) {
  return NullToBool(Variant(requestText(edit, rule))) ? "True" : "False";
}

void addUpdate(OptionEdit& edit, const OptionRule& rule, const std::string& value) {
  edit.batch += "Update AccInformation Set cValue = " + db::quoteLiteral(value) + " Where cSysID = 'KX' And cID = '" +
                rule.id + "'\r\n";
}

// The new Boolean value when it differs from the stored text, else nothing.
std::optional<std::string> changedBoolean(const OptionEdit& edit, const OptionRule& rule) {
  std::string value = requestBoolean(edit, rule);
  if (value == storedValue(edit, rule)) return std::nullopt;
  return value;
}

void editPlainBoolean(OptionEdit& edit, const OptionRule& rule) {
  if (const auto value = changedBoolean(edit, rule)) addUpdate(edit, rule, *value);
}

void editBudgetControl(OptionEdit& edit, const OptionRule& rule) {
  const auto value = changedBoolean(edit, rule);
  if (!value) return;
  if (*value == "True" && !edit.budgetUsable) raiseMessage("Z7.Corvane.0330");
  if (sql::exists(edit.connection, "Select Top 1 strVouchID From KX_LoanVouch Where blnBegin = 0")) {
    raiseMessage("Z7.Corvane.0187");
  }
  addUpdate(edit, rule, *value);
}

void editBudgetEntry(OptionEdit& edit, const OptionRule& rule) {
  const auto value = changedBoolean(edit, rule);
  if (!value) return;
  if (*value == "True" && !edit.budgetUsable) raiseMessage("Z7.Corvane.0200");
  addUpdate(edit, rule, *value);
}

void editSubmitOnSave(OptionEdit& edit, const OptionRule& rule) {
  const auto value = changedBoolean(edit, rule);
  if (!value) return;
  if (*value == "True" && sql::exists(edit.connection,
                                      "Select TOP 1 AutoID From KX_LoanVouch Where blnAudi = 0 Union All Select TOP 1 "
                                      "AutoID From KX_ExpenVouch Where blnAudi = 0")) {
    raiseMessage("Z7.Corvane.0190");
  }
  addUpdate(edit, rule, *value);
}

// A day count: numeric, and its nearest whole number from 1 to 999. The text is kept as sent.
void checkDays(const std::string& text, const char* message) {
  if (!IsNumeric(Variant(text))) raiseMessage(message);
  const int days = CInt(Variant(text));
  if (days < kFewestDays || days > kMostDays) raiseMessage(message);
}

void editExpireDays(OptionEdit& edit, const OptionRule& rule) {
  const std::optional<std::string> value = edit.request.findAttribute(rule.name);
  if (value) checkDays(*value, "Z7.Corvane.0188");
  addUpdate(edit, rule, value.value_or(""));
}

void editAlertDays(OptionEdit& edit, const OptionRule& rule) {
  const std::string value = requestText(edit, rule);
  if (!value.empty()) checkDays(value, "Z7.Corvane.0189");
  addUpdate(edit, rule, value);
}

// With codes stored, every level of the rule adds characters and one level boundary meets the
// length of the longest code, so that the stored codes stay readable under the rule.
void checkRuleFitsCodes(db::Connection& connection, const std::string& rule, const std::string& longestCodeQuery,
                        const char* zeroLevelMessage, const char* boundaryMessage) {
  const db::Recordset rs = sql::open(connection, longestCodeQuery);
  if (rs.eof()) return;
  const std::size_t longest = textLength(NullToStr(rs.field(0).value()));
  std::size_t sum = 0;
  bool boundaryMet = false;
  for (const std::string& digit : characters(rule)) {
    if (digit == "0") raiseMessage(zeroLevelMessage);
    sum += static_cast<std::size_t>(CInt(Variant(digit)));
    if (sum == longest) boundaryMet = true;
  }
  if (sum != 0 && !boundaryMet) raiseMessage(boundaryMessage);
}

// A stored Null rule never counts as differing.
bool differsFromStoredItemRule(db::Connection& connection, const std::string& rule) {
  const db::Recordset rs =
      sql::open(connection, "SELECT cValue FROM AccInformation Where cSysID = 'KX' And cID = '106'");
  const Variant stored = rs.field(0).value();
  return !stored.isNull() && NullToStr(stored) != rule;
}

void editItemCodeRule(OptionEdit& edit, const OptionRule& rule) {
  const std::string value = requestText(edit, rule);
  if (textLength(value) > kLongestCodeRule) raiseMessage("Z7.Corvane.0191");
  if (!value.empty() && value.front() != '1') raiseMessage("Z7.Corvane.0192");
  checkRuleFitsCodes(edit.connection, value, "SELECT TOP 1 strCode From dbo.KX_IOItem ORDER BY LEN(strCode) DESC",
                     "Z7.Corvane.0193", "Z7.Corvane.0194");
  if (differsFromStoredItemRule(edit.connection, value) &&
      sql::exists(edit.connection, "SELECT TOP 1 * FROM KX_IOItem")) {
    raiseMessage("Z7.Corvane.0195");
  }
  if (value != storedValue(edit, rule)) addUpdate(edit, rule, value);
}

void editPlaceCodeRule(OptionEdit& edit, const OptionRule& rule) {
  const std::string value = requestText(edit, rule);
  if (textLength(value) > kLongestCodeRule) raiseMessage("Z7.Corvane.0197");
  checkRuleFitsCodes(edit.connection, value,
                     "SELECT TOP 1 strPositionCode  From dbo.KX_Position ORDER BY LEN(strPositionCode) DESC",
                     "Z7.Corvane.0198", "Z7.Corvane.0199");
  if (value != storedValue(edit, rule)) addUpdate(edit, rule, value);
}

// The options in the order they are checked and written.
constexpr std::array<OptionRule, 10> kOptionRules = {{
    {"101", "blnBudCtrl", editBudgetControl},
    {"102", "intExpireDays", editExpireDays},
    {"103", "intAlertDays", editAlertDays},
    {"104", "blnAutoAlert", editPlainBoolean},
    {"105", "blnSubmAudit", editSubmitOnSave},
    {"106", "strIOLevel", editItemCodeRule},
    {"107", "strZeroLevel", editPlaceCodeRule},
    {"108", "blnModiStand", editPlainBoolean},
    {"109", "blnModiFZHS", editPlainBoolean},
    {"110", "blnInputBud", editBudgetEntry},
}};

XmlNode requestElement(const FuncCall& call) {
  const XmlNode request = call.oNode.child("in").firstChild();
  if (!request) raiseObjectMissing();
  return request;
}

// True when the host's budget system can serve the module.
bool budgetUsable(const FuncCall& call) {
  const std::unique_ptr<BudgetChecker> checker = call.host().budgetChecker();
  if (!checker) throw RuntimeError(errnum::kClassNotRegistered, "The budget component cannot be created.");
  return checker->InitConnection(call.CN) && checker->OpenSystem("KX");
}

}  // namespace

const FrameSettings CChoice::kFrame{.className = "CChoice",
                                    .rightScope = RightScope::PerFunc,
                                    .rightCode = {},
                                    .connectionTimeout = 60,
                                    .transaction = TransactionScope::PerWritingFunc};
const std::span<const FuncEntry<CChoice>> CChoice::kFuncs{kFuncTable};

bool CChoice::recordGet(FuncCall& call) {
  return answerAsMember(call.oXml, "CChoice", "recordGet", [&] {
    db::Recordset rs = sql::open(call.CN,
                                 "SELECT cName As strName, cValue As strValue From dbo.AccInformation WHERE "
                                 "(cSysID = 'KX') AND (cID LIKE '1%') ORDER BY cID");
    if (rs.eof()) raiseMessage("Z7.Corvane.0055");
    loadReply(call.oXml, RsToHeadXml(rs));
    return true;
  });
}

bool CChoice::recordEdit(FuncCall& call) {
  return answerAsMember(call.oXml, "CChoice", "recordEdit", [&] {
    const bool usable = budgetUsable(call);
    OptionEdit edit{call.CN, requestElement(call), storedOptions(call.CN), usable, {}};
    for (const OptionRule& rule : kOptionRules) rule.apply(edit, rule);
    if (!edit.batch.empty()) sql::execute(call.CN, edit.batch);
    return recordGet(call);
  });
}

}  // namespace corvane
