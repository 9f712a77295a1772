#pragma once
// The host's aging component: keeps the aging intervals of a module, which the loan aging report
// reads and stores.
//
// Contract the module relies on:
// - One component per func; it opens the account through the login object's connection string
//   and closes it when it goes.
// - getAge(login, module) answers the stored interval document of `module` as XML text without
//   declaration (an <age> element with <row cdays='..' icount='..'/> children), or the empty text
//   when none is stored.
// - SaveAge(login, xml) stores the interval document `xml` (any well-formed element) as the
//   intervals of the module "KX", replacing the earlier ones, and answers true; it answers false
//   and stores nothing when `xml` is not a well-formed document or the account cannot be written.
// - getAge raises the database's errors.

#include <memory>
#include <string>

namespace corvane {

class LoginContext;

class Aging {
 public:
  virtual ~Aging() = default;
  virtual std::string getAge(LoginContext& login, const std::string& module) = 0;
  virtual bool SaveAge(LoginContext& login, const std::string& xml) = 0;
};

// The embedded component, over the account's table AgingIntervals.
std::unique_ptr<Aging> CreateAging();

}  // namespace corvane
