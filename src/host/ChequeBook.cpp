#include "host/ChequeBook.h"

#include <optional>
#include <string_view>

#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionPool.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

using db::quoteLiteral;

std::string quotedOrNull(std::string_view text) { return text.empty() ? "null" : quoteLiteral(text); }

// The account's connection is leased from the process's pool for the registration and given back
// at its close, so that a registration never pays the opening of the account.
class EmbeddedChequeDatabase final : public ChequeDatabase {
 public:
  void openDatabase(const std::string& connectString) override {
    if (connection_) throw RuntimeError(db::kErrObjectOpen, "The cheque database is already open.");
    connection_ = db::ConnectionPool::shared().acquire(connectString);
  }
  void oclose() override { connection_ = db::PooledConnection(); }
  db::Connection& connection() override {
    if (!connection_) throw RuntimeError(db::kErrObjectClosed, "The cheque database is not open.");
    return *connection_;
  }

 private:
  db::PooledConnection connection_;
};

class EmbeddedChequeCommon final : public ChequeCommon {
 public:
  void InitPubs2(const std::string& module, const std::string& hostContext, ChequeDatabase& database,
                 const std::string& accountId, const std::string& loginYear, const std::string& userName,
                 const DateTime& loginDate, const std::string& pubsInitText) override {
    session_ = {module, hostContext, accountId, loginYear, userName, loginDate, pubsInitText};
    database_ = &database;
  }
  const ChequeSession& session() const override { return session_; }
  ChequeDatabase& database() override {
    if (database_ == nullptr) {
      raiseObjectMissing("The cheque session has no database.");
    }
    return *database_;
  }

 private:
  ChequeSession session_;
  ChequeDatabase* database_ = nullptr;
};

// One cheque as the element gives it.
struct Cheque {
  std::string account;
  std::string number;
  std::string settleStyle;
  Currency amount;
  DateTime billDate;
  std::string remark;
  std::string department;
  std::string person;
  std::string payee;
};

Cheque readChequeElement(const std::string& element) {
  XmlDocument document;
  if (!document.loadXML(element) || document.documentElement().name() != "book") {
    throw RuntimeError(errnum::kInvalidArgument, "The cheque element cannot be read.");
  }
  const XmlNode book = document.documentElement();
  return Cheque{book.attribute("cCode"),
                book.attribute("cn_id"),
                book.attribute("csettle"),
                CCur(Variant(book.attribute("mc"))),
                CDate(Variant(book.attribute("bill_date"))),
                book.attribute("cremark"),
                book.attribute("cdept"),
                book.attribute("cperson"),
                book.attribute("cget")};
}

class EmbeddedChequeBook final : public ChequeBook {
 public:
  void setZzLogin(LoginContext& login) override { login_ = &login; }
  void setZzSys(ChequeCommon& common) override { common_ = &common; }

  bool ZPControl(std::string& chequeElement) override {
    cheque_ = readChequeElement(chequeElement);
    zpmsg_.clear();
    zpcheck_ = examine(*cheque_);
    return true;
  }
  int zpcheck() const override { return zpcheck_; }
  std::string zpmsg() const override { return zpmsg_; }

  void StartZPDJ(bool /*option1*/, bool /*option2*/) override {
    const Cheque& cheque = examinedCheque();
    reportFailure([&] {
      connection().execute(
          "insert into ChequeBook (cn_id, cCode, csettle, mc, bill_date, cremark, cdept, "
          "cperson, cget, bWritten) values (" +
          quoteLiteral(cheque.number) + ", " + quoteLiteral(cheque.account) + ", " + quoteLiteral(cheque.settleStyle) +
          ", " + amountText(cheque) + ", " + quoteLiteral(cheque.billDate.toSqlString()) + ", " +
          quotedOrNull(cheque.remark) + ", " + quotedOrNull(cheque.department) + ", " + quotedOrNull(cheque.person) +
          ", " + quotedOrNull(cheque.payee) + ", 0)");
    });
  }

  void UpdateZPDJ() override {
    const Cheque& cheque = examinedCheque();
    const ChequeSession& session = common().session();
    reportFailure([&] {
      connection().execute(
          "update ChequeBook set csettle = " + quoteLiteral(cheque.settleStyle) + ", mc = " + amountText(cheque) +
          ", bill_date = " + quoteLiteral(cheque.billDate.toSqlString()) +
          ", cremark = " + quotedOrNull(cheque.remark) + ", cdept = " + quotedOrNull(cheque.department) +
          ", cperson = " + quotedOrNull(cheque.person) + ", cget = " + quotedOrNull(cheque.payee) +
          ", bWritten = 1, cSysID = " + quoteLiteral(session.module) + ", cWriter = " + quoteLiteral(session.userName) +
          " where cn_id = " + quoteLiteral(cheque.number));
    });
  }

 private:
  int examine(const Cheque& cheque) {
    if (isClosed(cheque.billDate)) {
      zpmsg_ = messages()->GetText("z7.gl.checque.00014", locale());
      return 1;
    }
    db::Recordset rs;
    rs.open("select cCode, bWritten from ChequeBook where cn_id = " + quoteLiteral(cheque.number), connection());
    if (rs.eof()) return 2;
    if (CStr(rs.field("cCode").value()) != cheque.account) return 1;
    return CBool(rs.field("bWritten").value()) ? 3 : 4;
  }

  bool isClosed(const DateTime& billDate) {
    db::Recordset rs;
    rs.open("select dClosedThrough from ChequeBookClosing", connection());
    if (rs.eof() || rs.field("dClosedThrough").value().isNull()) return false;
    return billDate.dayNumber() <= CDate(rs.field("dClosedThrough").value()).dayNumber();
  }

  static std::string amountText(const Cheque& cheque) { return CStr(Variant(cheque.amount)); }

  template <class Write>
  void reportFailure(const Write& write) {
    zpmsg_.clear();
    try {
      write();
    } catch (const RuntimeError& error) {
      zpmsg_ = error.description();
    }
  }

  const Cheque& examinedCheque() const {
    if (!cheque_) raiseObjectMissing("No cheque has been examined.");
    return *cheque_;
  }
  ChequeCommon& common() const {
    if (common_ == nullptr) raiseObjectMissing("zzSys is not set.");
    return *common_;
  }
  db::Connection& connection() const { return common().database().connection(); }
  std::string locale() const { return login_ == nullptr ? "" : login_->LocaleId(); }
  // The catalogue of the login object's host; the embedded one before setZzLogin.
  std::unique_ptr<MessageTextSource> messages() const {
    return (login_ == nullptr ? EmbeddedHost::instance() : login_->host()).messageCatalog()->Messages();
  }

  LoginContext* login_ = nullptr;
  ChequeCommon* common_ = nullptr;
  std::optional<Cheque> cheque_;
  int zpcheck_ = 0;
  std::string zpmsg_;
};

}  // namespace

ChequeComponents EmbeddedChequeComponents() {
  return {[] { return std::make_unique<EmbeddedChequeDatabase>(); },
          [] { return std::make_unique<EmbeddedChequeCommon>(); },
          [] { return std::make_unique<EmbeddedChequeBook>(); }};
}

}  // namespace corvane
