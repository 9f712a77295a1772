#include "host/EmbeddedLoginContext.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "host/Host.h"
#include "host/TakenRights.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/AccountFiles.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

using db::quoteLiteral;

DateTime today() {
  const auto now = std::chrono::system_clock::now();
  const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(now)};
  DateTime result;
  result.year = static_cast<int>(date.year());
  result.month = static_cast<int>(static_cast<unsigned>(date.month()));
  result.day = static_cast<int>(static_cast<unsigned>(date.day()));
  return result;
}

// The device and inode of the account's system database, which holds the taken rights.
std::string systemFileIdentity(const std::filesystem::path& account) {
  struct stat status {};
  if (::stat(db::AccountFiles{account}.system().c_str(), &status) != 0) return account.string();
  return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

bool isChinese(const std::string& locale) { return locale.size() >= 2 && (locale[0] | 0x20) == 'z'; }

}  // namespace

std::unique_ptr<EmbeddedLoginContext> EmbeddedLoginContext::logIn(const LoginOptions& options) {
  std::unique_ptr<EmbeddedLoginContext> login(new EmbeddedLoginContext(options));
  login->systemFiles_ = systemFileIdentity(options.account);
  login->checkPassword(options.password);
  login->readAccount(options.year);
  return login;
}

EmbeddedLoginContext::EmbeddedLoginContext(const LoginOptions& options)
    : account_(options.account),
      locale_(options.locale),
      userId_(options.user),
      loginDate_(options.date.value_or(today())),
      host_(options.host != nullptr ? options.host : &EmbeddedHost::instance()) {}

Host& EmbeddedLoginContext::host() const { return *host_; }

EmbeddedLoginContext::~EmbeddedLoginContext() {
  for (const TakenRights::Key& key : held_) TakenRights::shared().forget(key);
}

std::string EmbeddedLoginContext::ConnectString() const { return "Data Source=" + quoteLiteral(account_.string()); }

db::Connection& EmbeddedLoginContext::systemConnection() {
  if (!connection_) connection_ = db::ConnectionPool::shared().acquire(ConnectString());
  return *connection_;
}

void EmbeddedLoginContext::checkPassword(const std::string& password) {
  db::Recordset user;
  user.open("SELECT cUser_Name,cPassword FROM vqsystem..UA_User WHERE cUser_ID=" + quoteLiteral(userId_),
            systemConnection());
  const char* const refusal = isChinese(locale_) ? "用户名或口令错误。" : "Wrong user or password.";
  if (user.eof()) raiseBusiness(refusal);
  const Variant& stored = user.field("cPassword").value();
  if (!host().passwordCodec()->Matches(stored.isNull() ? std::string() : CStr(stored), password)) {
    raiseBusiness(refusal);
  }
  userName_ = CStr(user.field("cUser_Name").value());
}

void EmbeddedLoginContext::readAccount(std::optional<std::int16_t> year) {
  db::Connection& connection = systemConnection();
  db::Recordset account;
  account.open("SELECT cAcc_ID,cAcc_Name,iYear FROM vqsystem..UA_Account Order By cAcc_ID", connection);
  if (account.eof()) raiseBusiness("The folder holds no account: " + account_.string());
  accountId_ = CStr(account.field("cAcc_ID").value());
  accountName_ = CStr(account.field("cAcc_Name").value());
  year_ = year.value_or(CInt(account.field("iYear").value()));

  db::Recordset period;
  period.open("SELECT iID FROM vqsystem..UA_Period WHERE cAcc_ID=" + quoteLiteral(accountId_) +
                  " AND iYear=" + std::to_string(year_) + " AND dBegin<=" + quoteLiteral(loginDate_.toSqlString()) +
                  " AND dEnd>=" + quoteLiteral(loginDate_.toSqlString()),
              connection);
  if (!period.eof()) period_ = CInt(period.field("iID").value());

  db::Recordset groups;
  groups.open("SELECT Count(*) AS n FROM vqsystem..UA_Role WHERE cUser_id=" + quoteLiteral(userId_), connection);
  isGroupUser_ = CLng(groups.field("n").value()) > 0;
  isAdmin_ = holdsRight("ADMIN", year_);
}

// A right is held by the user itself, by one of its groups, or through the right ADMIN.
bool EmbeddedLoginContext::holdsRight(const std::string& code, std::int16_t year) {
  db::Recordset held;
  held.open("SELECT Count(*) AS n FROM vqsystem..UA_HoldAuth WHERE cAcc_ID=" + quoteLiteral(accountId_) +
                " AND iYear=" + std::to_string(year) + " AND cAuth_ID IN (" + quoteLiteral(code) +
                ",'ADMIN') AND ((cUser_ID=" + quoteLiteral(userId_) +
                " AND iIsUser=1) OR (iIsUser=0 AND EXISTS (SELECT * FROM vqsystem..UA_Role r "
                "WHERE r.cUser_id=" +
                quoteLiteral(userId_) + " AND r.cgroup_id=UA_HoldAuth.cUser_ID)))",
            systemConnection());
  return CLng(held.field("n").value()) > 0;
}

bool EmbeddedLoginContext::takeRight(const std::string& code, std::int16_t year) {
  if (!holdsRight(code, year)) return false;
  const TakenRights::Key key = TakenRights::keyOf(systemFiles_, code, year, userId_);
  TakenRights::shared().take(key, systemConnection(),
                             "INSERT INTO vqsystem..UA_Task (cAuth_ID,cAcc_ID,iYear,cUser_ID,dTakenAt) VALUES (" +
                                 quoteLiteral(code) + "," + quoteLiteral(accountId_) + "," + std::to_string(year) +
                                 "," + quoteLiteral(userId_) + "," + quoteLiteral(today().toSqlString()) + ")");
  held_.push_back(key);
  return true;
}

bool EmbeddedLoginContext::releaseRight(const std::string& code, std::int16_t year) {
  const TakenRights::Key key = TakenRights::keyOf(systemFiles_, code, year, userId_);
  auto holding = TakenRights::Holding::Unknown;
  if (const auto held = std::find(held_.begin(), held_.end(), key); held != held_.end()) {
    held_.erase(held);
    holding = TakenRights::Holding::Counted;
  }
  return TakenRights::shared().release(key, systemConnection(),
                                       "DELETE FROM vqsystem..UA_Task WHERE cAuth_ID=" + quoteLiteral(code) +
                                           " AND cAcc_ID=" + quoteLiteral(accountId_) + " AND iYear=" +
                                           std::to_string(year) + " AND cUser_ID=" + quoteLiteral(userId_),
                                       holding);
}

std::string EmbeddedLoginContext::refusalText(const std::string& code) const {
  return isChinese(locale_) ? "用户 " + userId_ + " 没有功能权限 " + code + "。"
                            : "The user " + userId_ + " does not hold the right " + code + ".";
}

void EmbeddedLoginContext::RequestTask(const std::string& code, bool take, std::int16_t year, bool& ok) {
  ok = take ? takeRight(code, year) : releaseRight(code, year);
  if (ok) return;
  lastErrorText_ =
      take ? refusalText(code)
           : (isChinese(locale_) ? "功能权限 " + code + " 未被占用。" : "The right " + code + " was not taken.");
}

void EmbeddedLoginContext::QueryLock(std::int32_t kind, const std::string& module, std::int16_t year, bool& locked,
                                     Variant& second) {
  db::Recordset lock;
  lock.open("SELECT bLocked FROM vqsystem..UA_ModuleLock WHERE iKind=" + std::to_string(kind) +
                " AND cSub_ID=" + quoteLiteral(module) + " AND iYear=" + std::to_string(year),
            systemConnection());
  locked = !lock.eof() && CBool(lock.field("bLocked").value());
  second = Variant();
}

std::string EmbeddedLoginContext::MachineName() const { return "localhost"; }
std::string EmbeddedLoginContext::HostContextName() const { return "corvane"; }
std::string EmbeddedLoginContext::ConnectKeySuffix() const { return userId_; }

void EmbeddedLoginContext::ResolveConnectString(std::string& key) {
  const std::string expected = std::string(kConnectKeyText) + ConnectKeySuffix();
  key = key == expected ? ConnectString() : "Connection lookup failed.";
}

}  // namespace corvane
