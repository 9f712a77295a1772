#pragma once
// The host's aging component: keeps the aging intervals of a module, which the loan aging report
// reads and stores.
//
// Contract the module relies on:
// - One component per func. It works through the connection it was created with, the request's
//   own: it reads what the request has written and not yet committed, and it stores inside the
//   request's open transaction (which then commits or rolls back the intervals with the rest),
//   or, when none is open, in a transaction of its own that it commits.
// - getAge(login, module) answers the stored interval document of `module` as XML text without
//   declaration (an <age> element with <row cdays='..' icount='..'/> children), or the empty text
//   when none is stored.
// - SaveAge(login, xml) stores the interval document `xml` (any well-formed element) as the
//   intervals of the module "KX", replacing the earlier ones, and answers true. It answers false
//   when `xml` is not a well-formed document (storing nothing) or the account cannot be written
//   (its own transaction is rolled back; in the request's, the request's rollback undoes it).
// - getAge raises the database's errors.

#include <memory>
#include <string>

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

class Aging {
 public:
  virtual ~Aging() = default;
  virtual std::string getAge(LoginContext& login, const std::string& module) = 0;
  virtual bool SaveAge(LoginContext& login, const std::string& xml) = 0;
};

// The embedded component, over the account's table AgingIntervals, working on
// `requestConnection`, which must outlive it.
std::unique_ptr<Aging> CreateAging(db::Connection& requestConnection);

}  // namespace corvane
