#include "host/BankPay.h"

#include <optional>

#include "platform/com/Locale.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

// Bill states as the store keeps them.
constexpr int kWaiting = 0;
constexpr int kConfirmed = 1;
constexpr int kRejected = 2;

struct ComponentText {
  const char* zh;
  const char* en;
};

constexpr ComponentText kUnreadable{"银行单据无法读取。", "The bank bill cannot be read."};
constexpr ComponentText kNoRecord{"银行单据中没有记录。", "The bank bill holds no record."};
constexpr ComponentText kNoPayRow{"银行单据没有支付行标识。", "The bank bill names no payment row."};
constexpr ComponentText kBillHeld{"该支付行已有银行单据。", "The payment row has a bank bill already."};
constexpr ComponentText kBillConfirmed{"银行已确认该单据，不能撤回。",
                                       "The bank has confirmed the bill. It cannot be withdrawn."};
constexpr ComponentText kNoBill{"该支付行没有银行单据。", "The payment row has no bank bill."};
constexpr ComponentText kBillAnswered{"银行已答复该单据。", "The bank has answered the bill already."};
constexpr ComponentText kNoPaymentRow{"支付行不存在。", "The payment row does not exist."};

// The component answers in the request's language: Chinese for the zh locales, else English.
std::string inLocale(const ComponentText& text) { return gLocaleID.rfind("zh", 0) == 0 ? text.zh : text.en; }

std::string billKey(const std::string& payRowGuid) { return " Where cPayRowGUID = " + db::quoteLiteral(payRowGuid); }

// The bill's state, or nothing when the payment row has no bill.
std::optional<int> billState(db::Connection& connection, const std::string& payRowGuid) {
  db::Recordset rs;
  rs.open("Select iState From NetBankBills" + billKey(payRowGuid), connection);
  if (rs.eof()) return std::nullopt;
  return static_cast<int>(CLng(rs.field(0).value()));
}

// A column of the bill record as an SQL literal: NULL when the record lacks it or it is Null.
std::string columnLiteral(const db::Recordset& record, std::string_view column) {
  if (!record.hasField(column)) return "NULL";
  const Variant& value = record.field(column).value();
  if (value.isNull() || value.isEmpty()) return "NULL";
  return db::quoteLiteral(CStr(value));
}

// The bill record of a persisted document, or nothing when it cannot be read.
std::optional<db::Recordset> readBillRecord(const XmlDocument& bill) {
  const XmlNode root = bill.documentElement();
  if (!root) return std::nullopt;
  try {
    return db::recordsetFromXml(root);
  } catch (const RuntimeError&) {
    return std::nullopt;
  }
}

std::string payRowOf(const db::Recordset& record) {
  if (!record.hasField("iID")) return "";
  const Variant& value = record.field("iID").value();
  return value.isNull() || value.isEmpty() ? std::string() : CStr(value);
}

class EmbeddedBankPay final : public BankPay {
 public:
  bool ImportBill(int source, db::Connection& connection, const XmlDocument& bill, std::string& errorText) override {
    const std::optional<db::Recordset> record = readBillRecord(bill);
    if (!record) return refuse(errorText, kUnreadable);
    if (record->eof()) return refuse(errorText, kNoRecord);
    const std::string payRow = payRowOf(*record);
    if (payRow.empty()) return refuse(errorText, kNoPayRow);
    if (billState(connection, payRow)) return refuse(errorText, kBillHeld);
    connection.execute(
        "Insert Into NetBankBills (cPayRowGUID, iSource, cNoteNo, cExch_name, iAmount_f, iAmount, "
        "cNatBankAccount, cBankAccount, cPerson, cBill, iState) Values (" +
        db::quoteLiteral(payRow) + ", " + std::to_string(source) + ", " + columnLiteral(*record, "cNoteNo") + ", " +
        columnLiteral(*record, "cExch_name") + ", " + columnLiteral(*record, "iAmount_f") + ", " +
        columnLiteral(*record, "iAmount") + ", " + columnLiteral(*record, "cNatBankAccount") + ", " +
        columnLiteral(*record, "cBankAccount") + ", " + columnLiteral(*record, "cPerson") + ", " +
        db::quoteLiteral(bill.xml()) + ", " + std::to_string(kWaiting) + ")");
    return succeed(errorText);
  }

  bool DeleteBill(int /*source*/, db::Connection& connection, const std::string& payRowGuid,
                  std::string& errorText) override {
    const std::optional<int> state = billState(connection, payRowGuid);
    if (!state) return succeed(errorText);
    if (*state == kConfirmed) return refuse(errorText, kBillConfirmed);
    connection.execute("Delete From NetBankBills" + billKey(payRowGuid));
    return succeed(errorText);
  }

  bool WritePZID(int /*source*/, db::Connection& connection, const std::string& payRowGuid, const std::string& module,
                 std::string& errorText) override {
    const long written =
        connection.execute("Update NetBankBills Set cPZSource = " + db::quoteLiteral(module) + billKey(payRowGuid));
    if (written == 0) return refuse(errorText, kNoBill);
    return succeed(errorText);
  }

  bool DeletePZID(int /*source*/, db::Connection& connection, const std::string& payRowGuid,
                  std::string& errorText) override {
    connection.execute("Update NetBankBills Set cPZSource = NULL" + billKey(payRowGuid));
    return succeed(errorText);
  }

 private:
  static bool succeed(std::string& errorText) {
    errorText.clear();
    return true;
  }

  static bool refuse(std::string& errorText, const ComponentText& text) {
    errorText = inLocale(text);
    return false;
  }
};

// Sets blnNetOK of the payment row, a loan line or a claim's receipt or payment row.
void markPaymentRow(db::Connection& connection, const std::string& payRowGuid, bool confirmed) {
  const std::string set = confirmed ? " Set blnNetOK = 1" : " Set blnNetOK = 0";
  const std::string where = " Where GUID = " + db::quoteLiteral(payRowGuid);
  const long marked = connection.execute("Update KX_LoanVouch_Sub" + set + where) +
                      connection.execute("Update KX_BalanceInfo" + set + where);
  if (marked == 0) raiseBusiness(inLocale(kNoPaymentRow));
}

}  // namespace

std::unique_ptr<BankPay> CreateBankPay() { return std::make_unique<EmbeddedBankPay>(); }

void AnswerBill(db::Connection& connection, const std::string& payRowGuid, BankAnswer answer) {
  const std::optional<int> state = billState(connection, payRowGuid);
  if (!state) raiseBusiness(inLocale(kNoBill));
  if (*state != kWaiting) raiseBusiness(inLocale(kBillAnswered));
  const bool confirmed = answer == BankAnswer::Confirm;
  connection.execute("Update NetBankBills Set iState = " + std::to_string(confirmed ? kConfirmed : kRejected) +
                     billKey(payRowGuid));
  markPaymentRow(connection, payRowGuid, confirmed);
}

}  // namespace corvane
