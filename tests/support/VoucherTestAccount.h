#pragma once
// A demo account for the voucher members' tests: the demo user logged in on 2026-01-20 with a
// TestHost (`host_`, the embedded components unless a test replaces one), one open connection,
// and a func element to call a member with.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/ApprovalFlow.h"
#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/Values.h"
#include "support/CaseAccount.h"
#include "support/QueryText.h"
#include "support/TestHost.h"

namespace corvane {

class VoucherTestAccount : public ::testing::Test {
 public:
  VoucherTestAccount() {
    login_ = account_.logIn("demo", "zh-CN", DateTime::parse("2026-01-20"), &host_);
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
  std::string scalar(const std::string& sql) { return QueryScalar(connection_, sql); }

 protected:
  CaseAccount account_;
  TestHost host_;
  std::unique_ptr<EmbeddedLoginContext> login_;
  db::Connection connection_;
  XmlDocument request_;
  XmlDocument reply_;
};

// Message `id` in zh-CN, the language of the account's login, with its parameters.
inline std::string msg(const char* id, const std::string& p1 = "", const std::string& p2 = "",
                       const std::string& p3 = "") {
  return GetResString(id, "zh-CN", p1, p2, p3);
}

using Attributes = std::map<std::string, std::string>;

// What the approval flow answers, and what it was asked.
struct FlowState {
  bool inFlow = false;
  bool allowChange = true;
  std::string reason;
  std::vector<std::string> asked;
};

// An approval flow whose answers a test sets; it records what it was asked.
class FakeFlow : public ApprovalFlowServer {
 public:
  explicit FakeFlow(FlowState& state) : state_(state) {}
  void LastErrorText(std::string& text) const override { text = state_.reason; }
  void SetLogin(LoginContext&) override { state_.asked.push_back("SetLogin"); }
  bool RemoveFromFlow(db::Connection&, const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  bool AllowChange(db::Connection&, const std::string& type, const std::string& guid,
                   const std::string& scope) override {
    state_.asked.push_back("AllowChange " + type + " " + guid + " " + scope);
    return state_.allowChange;
  }
  bool IsInFlow(db::Connection&, const std::string& type, const std::string& guid, const std::string& scope) override {
    state_.asked.push_back("IsInFlow " + type + " " + guid + " " + scope);
    return state_.inFlow;
  }
  bool QueryFlow(db::Connection&, const std::string&, std::vector<std::string>&, std::vector<std::string>&) override {
    return false;
  }
  bool SubmitToFlow(db::Connection&, const std::string&, const std::string&, const std::string&,
                    const std::string&) override {
    return false;
  }

 private:
  FlowState& state_;
};

// A head or line row of a voucher request, its values escaped.
inline std::string rowXml(const Attributes& attributes) {
  std::string xml = "<z:row";
  for (const auto& [name, value] : attributes) xml += " " + name + "=\"" + XmlEncode(value) + "\"";
  return xml + "/>";
}

}  // namespace corvane
