#pragma once
// Fault injection over one request: the request is served again and again on the same account,
// with call 1, 2, 3, ... of the host seam (every accessor of the login object's host and every
// member of the components it hands out) and of the database layer (open, begin, commit,
// execute, record-set open, record write) failing in turn, until a run in which no call failed.
// After every failed run the account must hold exactly the rows it held before (every table of
// the company database, the system database and tempdb) and the reply must be an error reply;
// only a fault after the request's commit leaves its work (and a success reply) standing, and a
// failed call the request is meant to pass over, such as the release of a right, may be passed
// over (see FaultReport::faultsPassedOver). The
// requests meant are those with one commit: a single writing func, or a class that commits once
// per request.
//
// Usage (see SettingsFaults_test.cpp):
//   CaseAccount account;                       // plus any setup rows
//   const FaultReport report = serveUnderFaults(account, {"Corvane.CPerson", request});
//   EXPECT_GT(report.faultsByComponent.count("MessageCatalog"), 0u);

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/com/Variant.h"
#include "support/CaseAccount.h"

namespace corvane {

class LoginContext;
class XmlDocument;
namespace db {
class Connection;
}

// A member below the request classes that serves a request document: it gets the login object
// (over the faulty host), a connection to the account (opened before the run, as the request
// frame's connection is for a member) and the request, and answers the reply's text ("" for no
// reply).
using FaultServe =
    std::function<std::string(LoginContext& login, db::Connection& connection, const XmlDocument& request)>;

struct FaultRequest {
  std::string progId;
  std::string request;  // the request document
  std::string user = "demo";
  std::string locale = "zh-CN";
  std::optional<DateTime> date = std::nullopt;
  // The request has a step after its commit whose failure it reports as an error reply
  // ("CheckAudit" registers an approved loan's cheques after the approval's commit).
  bool stepsAfterCommit = false;
  // Serves the request instead of the class `progId` when given.
  FaultServe serve = {};
};

struct FaultReport {
  // Failed runs per component ("RowRight", "MessageCatalog", ..., "Database.execute", ...).
  std::map<std::string, int> faultsByComponent;
  int faultedRuns = 0;
  // Failed runs whose fault came after the request had committed (releasing its right, say):
  // their reply must be the success reply, and the account is put back before the next run.
  int faultsAfterCommit = 0;
  // Those runs per component of the failed call.
  std::map<std::string, int> faultsAfterCommitByComponent;
  // Failed runs that went on and answered a success: the failed call was one the request may
  // pass over (the release of a right, whose row then stays in vqsystem..UA_Task; the drop of a
  // scratch table before its name is used). The tables the run changed and their row counts must
  // be those of a run without faults (tables made in tempdb are counted, not named: a scratch
  // table's name is new in every run).
  int faultsPassedOver = 0;
  // The reply of the last run, in which no call failed.
  std::string finalReply;
};

// Runs the request under faults as above and records every broken expectation as a gtest
// failure (naming the call that failed and what changed). The account then holds the work of
// the run that succeeded.
FaultReport serveUnderFaults(const CaseAccount& account, const FaultRequest& request);

// True when `reply` is an error reply: the dispatcher's (root `error` or `err`) or a func's
// (`error` or `err` under a func's `out`, or the approval's `Error` list of refused vouchers).
bool isErrorReply(const std::string& reply);

}  // namespace corvane
