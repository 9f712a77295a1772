#pragma once
// A user logged into a fresh demo account, with an open connection, serving one func at a time
// through a public-services member, as the dispatcher calls them.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/EmbeddedLoginContext.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/RequestFrame.h"
#include "support/CaseAccount.h"
#include "support/XmlText.h"

namespace corvane {

struct PubAnswer {
  bool ok = false;
  std::string reply;  // the reply's document element, or empty when there is none
  // The text of the reply's first element at `xpath` (for error replies: "id", "text").
  std::string at(std::string_view xpath) const { return textAt(reply, xpath); }
};

class PubTestAccount {
 public:
  // Runs `setup` (T-SQL statements) on the account, then logs `user` in with the password "demo",
  // with the embedded host or `host` (which must outlive the account).
  explicit PubTestAccount(const std::string& user = "demo", const std::string& date = "2026-1-6",
                          const std::vector<std::string>& setup = {}, Host* host = nullptr) {
    for (const std::string& statement : setup) account_.execute(statement);
    login_ = account_.logIn(user, "zh-CN", DateTime::parse(date), host);
    connection_.open(login_->ConnectString());
  }

  CaseAccount& account() { return account_; }
  EmbeddedLoginContext& login() { return *login_; }
  db::Connection& connection() { return connection_; }

  // Serves `funcXml` ("<func name='..'><in>..</in></func>") with `member`.
  PubAnswer serve(const std::function<bool(FuncCall&)>& member, std::string_view funcXml) {
    XmlDocument request;
    if (!request.loadXML(funcXml)) return {false, "the request is not XML"};
    XmlDocument reply;
    FuncCall call{*login_, connection_, request.documentElement(), reply};
    const bool ok = member(call);
    return {ok, reply.isEmpty() ? std::string() : reply.documentElement().xml()};
  }

  // The rows of `query` as "<row .../>" lines.
  std::string rows(const std::string& query) {
    db::Recordset rs;
    rs.open(query, connection_, db::adOpenStatic);
    std::string text;
    for (; !rs.eof(); rs.moveNext()) {
      text += "<row";
      for (int i = 0; i < rs.fieldCount(); ++i) {
        const Variant& value = rs.field(i).value();
        text += " " + rs.field(i).name() + "='" + (value.isNull() ? "" : CStr(value)) + "'";
      }
      text += "/>";
    }
    return text;
  }

 private:
  CaseAccount account_;
  std::unique_ptr<EmbeddedLoginContext> login_;
  db::Connection connection_;
};

}  // namespace corvane
