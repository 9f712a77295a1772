#include "vouchers/Cheques.h"

#include <exception>
#include <memory>

#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "request/Messages.h"
#include "request/Values.h"

namespace corvane {

namespace {

// The book's answers to ZPControl.
enum ChequeCase {
  kChequeRefused = 1,
  kChequeNew = 2,
  kChequeWritten = 3,      // the book holds the cheque, registered: nothing more to do
  kChequeStartedOnly = 4,  // the book holds the cheque, started but not yet written
};

// Closes the database object on every way out; a failing close changes nothing.
class DatabaseCloser {
 public:
  explicit DatabaseCloser(ChequeDatabase& database) : database_(database) {}
  ~DatabaseCloser() {
    try {
      database_.oclose();
    } catch (...) {
      // The registration's answer stands whatever the close does.
    }
  }
  DatabaseCloser(const DatabaseCloser&) = delete;
  DatabaseCloser& operator=(const DatabaseCloser&) = delete;

 private:
  ChequeDatabase& database_;
};

void raiseUnlessEmpty(const std::string& bookMessage) {
  if (!bookMessage.empty()) raiseBusiness(bookMessage);
}

std::string chequeElement(const std::string& accountCode, const std::string& chequeNumber,
                          const std::string& settleStyle, Currency amount, const DateTime& billDate,
                          const std::string& remark, const std::string& department, const std::string& person,
                          const std::string& payee) {
  return "<book cCode='" + XmlEncode(accountCode) + "' cn_id='" + XmlEncode(chequeNumber) + "' csettle='" +
         XmlEncode(settleStyle) + "' mc='" + CStr(Variant(amount)) + "' bill_date='" + CStr(Variant(billDate)) +
         "' cremark='" + XmlEncode(remark) + "' cdept='" + XmlEncode(department) + "' cperson='" + XmlEncode(person) +
         "' cget='" + XmlEncode(payee) + "'/>";
}

// Follows the book's case for an examined cheque; raises 9000 where the book refuses or reports
// a problem.
void followChequeCase(ChequeBook& book, bool noWrite, std::string& notice) {
  switch (book.zpcheck()) {
    case kChequeRefused: raiseRefusal(book.zpmsg(), "Z7.Corvane.0040");
    case kChequeNew:
      book.StartZPDJ(false, false);
      raiseUnlessEmpty(book.zpmsg());
      if (!noWrite) {
        book.UpdateZPDJ();
        raiseUnlessEmpty(book.zpmsg());
      }
      return;
    case kChequeWritten: notice = GetResString("Z7.Corvane.0041"); return;
    case kChequeStartedOnly:
      if (noWrite) {
        notice = GetResString("Z7.Corvane.0042");
      } else {
        book.UpdateZPDJ();
        raiseUnlessEmpty(book.zpmsg());
      }
      return;
    default: return;
  }
}

}  // namespace

bool RegisterCheque(LoginContext& ologin, bool noWrite, const std::string& accountCode, const std::string& chequeNumber,
                    const std::string& settleStyle, Currency amount, const DateTime& billDate,
                    const std::string& remark, const std::string& department, const std::string& person,
                    const std::string& payee, std::string& notice) {
  notice.clear();
  try {
    const ChequeComponents host = ologin.host().chequeComponents();
    const std::unique_ptr<ChequeDatabase> database = host.database();
    const DatabaseCloser closer(*database);
    database->openDatabase(ologin.ConnectString());
    const std::unique_ptr<ChequeCommon> common = host.common();
    common->InitPubs2("KX", ologin.HostContextName(), *database, ologin.AccountId(), ologin.LoginYear(),
                      ologin.UserName(), ologin.LoginDate(), ologin.PubsInitText());
    const std::unique_ptr<ChequeBook> book = host.book();
    book->setZzLogin(ologin);
    book->setZzSys(*common);

    if (accountCode.empty() || chequeNumber.empty() || settleStyle.empty()) {
      raiseMessage("Z7.Corvane.0040");
    }
    std::string element =
        chequeElement(accountCode, chequeNumber, settleStyle, amount, billDate, remark, department, person, payee);
    if (book->ZPControl(element)) followChequeCase(*book, noWrite, notice);
    return true;
  } catch (const RuntimeError& error) {
    notice = error.description();
  } catch (const std::exception& error) {
    notice = error.what();
  }
  return false;
}

}  // namespace corvane
