#include "settings/StandAmounts.h"

#include <array>

#include "platform/com/DecimalText.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/SaveRows.h"
#include "request/SqlText.h"
#include "settings/StandReplies.h"

namespace corvane::stand {

namespace {

using db::quoteLiteral;

constexpr std::array kAmountConstraints = {
    ConstraintMessage{"IX_KX_StandSet", "Z7.Corvane.0064"},
};

// The request attributes of the four value codes, in the order of strField1 to strField4.
constexpr std::array kValueAttributes = {"strPerID", "strZeroID", "strToolID", "strMonID"};

constexpr Currency kHighestRate = Currency::fromScaled(100 * 10000);
constexpr Currency kOne = Currency::fromScaled(10000);

// The four value codes as SQL values: an absent attribute is Null, a present one its text.
std::array<std::string, 4> valueCodes(XmlNode row) {
  std::array<std::string, 4> codes;
  bool anyGiven = false;
  for (std::size_t i = 0; i < kValueAttributes.size(); ++i) {
    const std::optional<std::string> code = row.findAttribute(kValueAttributes[i]);
    codes[i] = code ? quoteLiteral(*code) : "Null";
    anyGiven = anyGiven || code.has_value();
  }
  if (!anyGiven) raiseMessage("Z7.Corvane.0062");
  return codes;
}

// A number sent as text, for the SQL text: a plain decimal as sent, any other number the client
// may write as its value; a text that is no number raises type mismatch.
std::string numberText(XmlNode row, const char* attribute) {
  const std::string text = row.attribute(attribute);
  const double value = CDbl(Variant(text));
  return isDecimalText(text) ? text : CStr(Variant::dbl(value));
}

// Whether the rate (a number text) is above 100, decided exactly: rounded up to four decimals a
// rate above 100 stays above it and 100 itself stays 100. A rate beyond the exact types' range
// is far from 100: above it unless a minus makes it negative or its exponent makes it tiny.
bool aboveHighestRate(const std::string& rate) {
  try {
    return Factor::of(Variant(rate)).times(kOne, 4, Rounding::Up) > kHighestRate;
  } catch (const RuntimeError& error) {
    if (error.number() != errnum::kOverflow) throw;
    return rate.find('-') == std::string::npos;
  }
}

std::string checkedRate(XmlNode row) {
  const std::string rate = numberText(row, "dblRate");
  if (aboveHighestRate(rate)) raiseMessage("Z7.Corvane.0063");
  return rate;
}

RowStatement insertAmount(const std::string& standard, XmlNode row) {
  const std::array<std::string, 4> codes = valueCodes(row);
  const std::string rate = checkedRate(row);
  return {"Insert Into KX_StandSet (GUIDStand,strField1,strField2,strField3,strField4,dblMoney,dblRate) Values (" +
              quoteLiteral(standard) + "," + codes[0] + "," + codes[1] + "," + codes[2] + "," + codes[3] + "," +
              numberText(row, "dblMoney") + "," + rate + ")",
          "Z7.Corvane.0046"};
}

RowStatement updateAmount(XmlNode row) {
  const std::array<std::string, 4> codes = valueCodes(row);
  const std::string rate = checkedRate(row);
  return {"Update KX_StandSet Set strField1 = " + codes[0] + ",strField2 = " + codes[1] + ",strField3 = " + codes[2] +
              ",strField4 = " + codes[3] + ",dblMoney = " + quoteLiteral(numberText(row, "dblMoney")) +
              ",dblRate = " + quoteLiteral(rate) + " Where " + rowVersion(row).condition() +
              " And GUID = " + quoteLiteral(row.attribute("GUID")),
          "Z7.Corvane.0047"};
}

RowStatement deleteAmount(XmlNode row) {
  return {
      "Delete KX_StandSet Where GUID = " + quoteLiteral(row.attribute("GUID")) + " And " + rowVersion(row).condition(),
      "Z7.Corvane.0047"};
}

RowStatement amountStatement(const std::string& standard, XmlNode row) {
  switch (rowOperation(row)) {
    case RowOperation::Insert: return insertAmount(standard, row);
    case RowOperation::Update: return updateAmount(row);
    case RowOperation::Delete: return deleteAmount(row);
  }
  raiseMessage("Z7.Corvane.0048");
}

bool getSet(FuncCall& call) {
  loadRows(call,
           "Select strPerID,strPerName,strZeroID,strZeroName,strToolID,strToolName,strMonID,strMonName,"
           "dblMoney,dblRate,Cast(ts As money) As ts,GUID From vwKXStandSet Where GUIDStand = " +
               quoteLiteral(firstInput(call).attribute("GUID")) + " Order By strPerID,strZeroID,strToolID,strMonID");
  return true;
}

// The rows are the children of the first child of the standard's element.
bool saveSet(FuncCall& call) {
  const XmlNode input = firstInput(call);
  const std::string standard = input.attribute("GUID");
  if (const XmlNode list = input.firstChild()) {
    for (const XmlNode row : list.children()) {
      const RowStatement statement = amountStatement(standard, row);
      executeOne(call, statement.sql, statement.failureMessage);
    }
  }
  return GetSet(call);
}

}  // namespace

bool GetSet(FuncCall& call) { return readMember(call, getSet); }
bool SaveSet(FuncCall& call) { return editMember(call, saveSet, kAmountConstraints); }

}  // namespace corvane::stand
