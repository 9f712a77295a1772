#include "core/PubAccount.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "host/EmbeddedLoginContext.h"
#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/PubCommon.h"
#include "request/QueryBuilders.h"
#include "request/RequestFrame.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

namespace fs = std::filesystem;
using db::quoteLiteral;

constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='utf-8'?>";
constexpr int kErrFileNotFound = 53;
constexpr int kLoginCheckTimeout = 60;

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string attr(std::string_view name, const std::string& value) {
  return " " + std::string(name) + "='" + XmlEncode(value) + "'";
}

// --- edittimeget ---------------------------------------------------------------------------

bool isInside(const fs::path& path, const fs::path& folder) {
  const auto [folderEnd, pathAt] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  return folderEnd == folder.end() && pathAt != path.end();
}

fs::path packageFile(const std::string& folderText, const fs::path& clientFolder) {
  std::string folder = folderText;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  const fs::path file = fs::path(folder) / "client" / "data2.cab";
  if (!file.is_absolute() || !isInside(fs::weakly_canonical(file), fs::weakly_canonical(clientFolder))) {
    throw RuntimeError(errnum::kInvalidArgument,
                       "The folder " + folderText + " lies outside the installation's client folder.");
  }
  if (!fs::is_regular_file(file)) {
    throw RuntimeError(kErrFileNotFound, "File not found: " + file.string());
  }
  return file;
}

std::string lastChangeDate(const fs::path& file) {
  const auto changed = std::chrono::file_clock::to_sys(fs::last_write_time(file));
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::system_clock::duration>(changed));
  std::tm local{};
  localtime_r(&seconds, &local);
  DateTime date;
  date.year = local.tm_year + 1900;
  date.month = local.tm_mon + 1;
  date.day = local.tm_mday;
  return DateToStr(Variant(date), "-");
}

// --- ztinfoget -----------------------------------------------------------------------------

std::string resolvedSystemConnection(LoginContext& lookup) {
  std::string key = std::string(EmbeddedLoginContext::kConnectKeyText) + lookup.ConnectKeySuffix();
  lookup.ResolveConnectString(key);
  lookup.EndConnectLookup();
  if (lower(key).find("failed") != std::string::npos) raiseMessageNumbered(0, "Z7.Corvane.0335");
  return key;
}

// The user's name, after the password typed matches the stored one (both trimmed, any case).
std::string checkedUserName(db::Connection& cn, const std::string& uid, const std::string& pwd,
                            const PasswordCodec& codec) {
  const db::Recordset user =
      sql::open(cn, "SELECT cUser_Name,cPassword FROM UA_User WHERE cUser_ID=" + quoteLiteral(uid));
  if (user.eof()) raiseMessageNumbered(0, "Z7.Corvane.0084");
  const Variant& stored = user.field("cPassword").value();
  if (!codec.Matches(stored.isNull() ? std::string() : CStr(stored), pwd)) {
    raiseMessageNumbered(0, "Z7.Corvane.0084");
  }
  return NullToStr(user.field("cUser_Name").value());
}

std::string groupList(db::Connection& cn, const std::string& uid) {
  db::Recordset groups = sql::open(cn, "select distinct cgroup_id from ua_role where cUser_id=" + quoteLiteral(uid));
  std::string list;
  for (; !groups.eof(); groups.moveNext()) {
    if (!list.empty()) list += ',';
    list += quoteLiteral(NullToStr(groups.field(0).value()));
  }
  return list;
}

std::string accountQuery(const std::string& uid, const std::string& groups) {
  const std::string head =
      "(select distinct ua_holdauth.cacc_id,UA_Account.cAcc_Name,UA_HoldAuth.iYear,UA_Period.iID,"
      "UA_Period.dBegin,UA_Period.dEnd ";
  const std::string join =
      " INNER JOIN UA_Period ON UA_HoldAuth.cAcc_ID=UA_Period.cAcc_ID AND "
      "UA_HoldAuth.iYear=UA_Period.iYear) INNER JOIN UA_Account ON "
      "UA_HoldAuth.cAcc_id=UA_Account.cAcc_id ";
  const std::string user = quoteLiteral(uid);
  if (groups.empty()) {
    return head + " from ((ua_holdauth inner join ua_auth ON (ua_holdauth.cauth_id=ua_auth.cauth_id)) " + join +
           " where (ua_holdauth.cUser_id=" + user + " and iIsuser=1))" + " union " + head +
           " from ((ua_holdauth inner join ua_auth ON (ua_holdauth.cauth_id='ADMIN')) " + join +
           " where (ua_holdauth.cUser_id=" + user + " and iIsuser=1)) " +
           " order by ua_holdauth.cacc_id,ua_holdauth.iyear";
  }
  const std::string where = " where ((ua_holdauth.cUser_id=" + user + " and iIsuser=1) " +
                            " or (ua_holdauth.cUser_id in (" + groups + ") and iIsuser=0)))";
  return head + " from ((ua_holdauth inner join ua_auth on (ua_holdauth.cauth_id=ua_auth.cauth_id)) " + join + where +
         " union " + head + " from ((ua_holdauth inner join ua_auth on (ua_holdauth.cauth_id='ADMIN')) " + join +
         where + " order by ua_holdauth.cacc_id,ua_holdauth.iyear";
}

// A date column in the server's text form of a date (2005-1-31).
std::string dateText(const Variant& value) {
  if (value.type() != VarType::String || !IsDate(value)) return NullToStr(value);
  return CStr(Variant(CDate(value)));
}

std::string twoDigits(const Variant& value) {
  const std::string digits = std::to_string(CLng(value));
  return digits.size() < 2 ? "0" + digits : digits;
}

std::string accountYears(db::Recordset& rows) {
  std::string text;
  std::string account;
  std::string year;
  bool open = false;
  for (; !rows.eof(); rows.moveNext()) {
    const std::string rowAccount = NullToStr(rows.field("cacc_id").value());
    const std::string rowYear = NullToStr(rows.field("iYear").value());
    if (!open || rowAccount != account || rowYear != year) {
      if (open) text += "</zt>";
      account = rowAccount;
      year = rowYear;
      open = true;
      text += "<zt" + attr("id", account) + attr("name", NullToStr(rows.field("cAcc_Name").value())) +
              attr("year", year) + ">";
    }
    text += "<period" + attr("id", twoDigits(rows.field("iID").value())) +
            attr("dbegin", dateText(rows.field("dBegin").value())) +
            attr("dend", dateText(rows.field("dEnd").value())) + "/>";
  }
  return text;
}

// --- menuget and ztget ---------------------------------------------------------------------

std::string flag(bool value) { return value ? "1" : "0"; }

bool isTrueText(const std::string& text) {
  const std::string value = lower(trimmed(text));
  return value == "true" || value == "1";
}

// The attributes every account-context reply starts with.
std::string contextAttributes(const LoginContext& ologin) {
  return attr("caccname", ologin.AccountName()) + attr("cacc_id", ologin.AccountId()) +
         attr("ciyear", ologin.LoginYear()) + attr("cuserid", ologin.UserId()) + attr("cusername", ologin.UserName()) +
         attr("curdate", CStr(Variant(ologin.LoginDate()))) + attr("isadmin", flag(ologin.IsAdmin())) +
         attr("isgroup", flag(ologin.IsGroupUser()));
}

// The account's master data, named as the query names them.
constexpr std::string_view kAccountColumns[] = {"ccurcode",   "ccurname",   "cunitname", "cunitabbre",
                                                "cunitaddr",  "cunitzap",   "cunittel",  "cunitfax",
                                                "cunitemail", "cunittaxno", "iyear",     "imonth"};

std::string accountAttributes(db::Connection& cn, const std::string& accountId) {
  std::string columns;
  for (const std::string_view column : kAccountColumns) {
    if (!columns.empty()) columns += ',';
    columns += column;
  }
  const db::Recordset rs =
      sql::open(cn, "select " + columns + " from vqsystem..ua_account where cAcc_Id=" + quoteLiteral(accountId));
  std::string text;
  if (rs.eof()) return text;
  for (int i = 0; i < rs.fieldCount(); ++i) {
    text += attr(kAccountColumns[i], NullToStr(rs.field(i).value()));
  }
  return text;
}

// The first day of the login year's first period ("dbegin") or the last day of its last ("dend").
// The account id is a text ("001") and is compared as one: unquoted it would be read as a number.
std::string periodBound(db::Connection& cn, const LoginContext& ologin, std::string_view column,
                        std::string_view direction) {
  const db::Recordset rs =
      sql::open(cn, "select top 1 convert(varchar(10)," + std::string(column) +
                        ",120) from Vqsystem..UA_Period where cacc_id=" + quoteLiteral(ologin.AccountId()) +
                        " and iyear=" + SqlNum(ologin.LoginYear()) + " order by iid" + std::string(direction));
  return rs.eof() ? std::string() : attr(column, NullToStr(rs.field(0).value()));
}

}  // namespace

std::filesystem::path clientFolderOf(const LoginContext& ologin) {
  const std::string account = db::connectionStringValue(ologin.ConnectString(), "Data Source").value_or("");
  return fs::absolute(fs::path(account)).parent_path() / "client";
}

bool editTimeGet(XmlNode oNode, XmlDocument& oXml, const std::filesystem::path& clientFolder) {
  return pub::served(oXml, "editTimeGet", [&] {
    const fs::path file = packageFile(pub::inputOf(oNode).text(), clientFolder);
    loadReply(oXml, std::string(kDeclaration) + "<edittime>" + lastChangeDate(file) + "</edittime>");
    return true;
  });
}

bool ztInfoGet(XmlNode oNode, XmlDocument& oXml, LoginContext& lookup) {
  return pub::served(oXml, "ztInfoGet", [&] {
    const std::string connectString = resolvedSystemConnection(lookup);
    const XmlNode in = pub::inputOf(oNode);
    const std::string uid = pub::requiredChild(in, "uid").text();
    const std::string pwd = trimmed(pub::requiredChild(in, "pwd").text());
    pub::requiredChild(in, "sys");

    db::Connection cn;
    cn.setConnectionTimeout(kLoginCheckTimeout);
    cn.setCommandTimeout(kLoginCheckTimeout);
    cn.open(connectString);
    sql::execute(cn, "use vqsystem");

    const std::string userName = checkedUserName(cn, uid, pwd, *lookup.host().passwordCodec());
    db::Recordset rows = sql::open(cn, accountQuery(uid, groupList(cn, uid)));
    if (rows.eof()) raiseMessageNumbered(0, "Z7.Corvane.0085");
    loadReply(oXml, std::string(kDeclaration) + "<info><user" + attr("id", uid) + attr("name", userName) + "/><zts>" +
                        accountYears(rows) + "</zt></zts></info>");
    return true;
  });
}

bool menuGet(FuncCall& call) {
  return pub::served(call.oXml, "menuGet", [&] {
    const LoginContext& ologin = call.ologin;
    const std::string menu = call.host().navigator(call.CN)->LoadMenu1(
        true, "KX", ologin.AccountId(), ologin.LoginYear(), ologin.UserId(), ologin.HostContextName());
    const bool alert = isTrueText(GetAccInfo("blnAutoAlert", call.CN, "KX"));
    loadReply(call.oXml, std::string(kDeclaration) + "<menu" + contextAttributes(ologin) +
                             attr("isalert", flag(alert)) + ">" + menu + "</menu>");
    return true;
  });
}

bool ztGet(FuncCall& call) {
  return pub::served(call.oXml, "ztGet", [&] {
    const LoginContext& ologin = call.ologin;
    loadReply(call.oXml, std::string(kDeclaration) + "<ztinfo" + contextAttributes(ologin) +
                             accountAttributes(call.CN, ologin.AccountId()) +
                             periodBound(call.CN, ologin, "dbegin", "") +
                             periodBound(call.CN, ologin, "dend", " desc") + "/>");
    return true;
  });
}

bool addLock(FuncCall&) { return true; }

}  // namespace corvane
