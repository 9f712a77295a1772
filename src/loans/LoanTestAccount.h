#pragma once
// A demo account for the loan members' tests: the demo user logged in on 2026-01-20, one open
// connection, and a func element to call a member with.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CaseAccount.h"
#include "core/Locale.h"
#include "core/RequestFrame.h"
#include "core/Values.h"
#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

class LoanTestAccount : public ::testing::Test {
 public:
  LoanTestAccount() {
    LoginOptions options;
    options.account = account_.folder();
    options.user = "demo";
    options.password = "demo";
    options.date = DateTime::parse("2026-01-20");
    login_ = EmbeddedLoginContext::logIn(options);
    connection_.open(account_.connectString());
    gLocaleID = "zh-CN";
  }

 protected:
  // Loads `request` and answers a call of its first func; the reply lands in `reply_`.
  FuncCall call(const std::string& request) {
    EXPECT_TRUE(request_.loadXML(request)) << request;
    reply_ = XmlDocument();
    return FuncCall{*login_, connection_, request_.selectSingleNode("//func"), reply_};
  }

 public:
  // The first column of the first record of `sql` as text ("" for Null or no record).
  std::string scalar(const std::string& sql) {
    db::Recordset rs;
    rs.open(sql, connection_, db::adOpenForwardOnly, db::adLockReadOnly);
    return rs.eof() ? std::string() : NullToStr(rs.field(0).value());
  }

 protected:
  CaseAccount account_;
  std::unique_ptr<EmbeddedLoginContext> login_;
  db::Connection connection_;
  XmlDocument request_;
  XmlDocument reply_;
};

}  // namespace corvane
