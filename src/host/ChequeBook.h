#pragma once
// The host's cheque components: a database object, the public-data object that carries the
// session to the cheque book, and the cheque book itself. The module creates one of each for a
// registration, in this order, and releases them at its end.
//
// Contract the module relies on:
// - ChequeDatabase::openDatabase opens the account of a connection string; oclose closes it and
//   may be called on every way out, also when nothing was opened. The book writes on that
//   connection, apart from the caller's: the caller registers a cheque only while its own
//   connection holds no transaction, or the book would wait for the caller's write lock.
// - ChequeCommon::InitPubs2 readies the session for the cheque book: module, host context,
//   the open database, account, year, user name, operating date and the login object's
//   PubsInitText.
// - ChequeBook: after setZzLogin and setZzSys, ZPControl examines one cheque element
//   "<book cCode='' cn_id='' csettle='' mc='' bill_date='' cremark='' cdept='' cperson=''
//   cget=''/>" and answers true when it examined it (zpcheck then tells the case: 1 refused,
//   2 new, 3 or 4 known) or false when there is nothing to do. StartZPDJ starts the registration
//   of the examined cheque, UpdateZPDJ writes it. zpmsg is the book's message after each call,
//   empty when all is well.
// - Failures raise RuntimeError.

#include <functional>
#include <memory>
#include <string>

#include "platform/com/Variant.h"

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

class ChequeDatabase {
 public:
  virtual ~ChequeDatabase() = default;
  virtual void openDatabase(const std::string& connectString) = 0;
  virtual void oclose() = 0;
  // The open account, for the cheque book.
  virtual db::Connection& connection() = 0;
};

// What the cheque book reads of the session.
struct ChequeSession {
  std::string module;
  std::string hostContext;
  std::string accountId;
  std::string loginYear;
  std::string userName;
  DateTime loginDate;
  std::string pubsInitText;
};

class ChequeCommon {
 public:
  virtual ~ChequeCommon() = default;
  // `database` stays in use by the cheque book until the registration ends.
  virtual void InitPubs2(const std::string& module, const std::string& hostContext, ChequeDatabase& database,
                         const std::string& accountId, const std::string& loginYear, const std::string& userName,
                         const DateTime& loginDate, const std::string& pubsInitText) = 0;
  virtual const ChequeSession& session() const = 0;
  virtual ChequeDatabase& database() = 0;
};

class ChequeBook {
 public:
  virtual ~ChequeBook() = default;
  virtual void setZzLogin(LoginContext& login) = 0;
  virtual void setZzSys(ChequeCommon& common) = 0;
  virtual bool ZPControl(std::string& chequeElement) = 0;
  virtual int zpcheck() const = 0;
  virtual std::string zpmsg() const = 0;
  // The two flags are the book's own options; the module passes false, false.
  virtual void StartZPDJ(bool option1, bool option2) = 0;
  virtual void UpdateZPDJ() = 0;
};

// How the module creates the three components for one registration.
struct ChequeComponents {
  std::function<std::unique_ptr<ChequeDatabase>()> database;
  std::function<std::unique_ptr<ChequeCommon>()> common;
  std::function<std::unique_ptr<ChequeBook>()> book;
};

// The embedded components, over the account's tables ChequeBook and ChequeBookClosing; the
// database object leases a pooled connection of the account and gives it back at oclose. The
// cheque book keeps one row per cheque number and answers ZPControl true for every cheque it can
// read, with zpcheck:
//   1  refused: the bill date lies in the closed part of the book (zpmsg: the text of
//      "z7.gl.checque.00014" in the login's locale), or the number is drawn on another account
//      (no zpmsg);
//   2  new: the book does not hold the number; StartZPDJ enters it, UpdateZPDJ writes it;
//   3  known and written: nothing more to do;
//   4  known, started but not written: UpdateZPDJ writes it with the element's values.
// A database failure while starting or writing becomes zpmsg.
ChequeComponents EmbeddedChequeComponents();

}  // namespace corvane
