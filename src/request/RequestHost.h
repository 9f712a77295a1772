#pragma once
// The host of the request being served on this thread, for the code beneath the request frame
// that is handed no login object (message lookup), and the row-rights service that answers the
// request's questions. The frame installs the login object's host for the length of a request,
// as it sets the request's locale; outside a request it is the embedded host.

#include <memory>
#include <string>

#include "host/Host.h"

namespace corvane {

class LoginContext;

Host& requestHost();

// Installs `host` as the thread's request host while it lives, then restores the one before.
// The row-rights service made during the request lives as long.
class RequestHostScope {
 public:
  explicit RequestHostScope(Host& host);
  ~RequestHostScope();
  RequestHostScope(const RequestHostScope&) = delete;
  RequestHostScope& operator=(const RequestHostScope&) = delete;

  // The row-rights service of one user, made through his login object's host.
  struct RowRights {
    std::unique_ptr<RowRight> service;
    const Host* host = nullptr;
    std::string connectString;
    std::string userId;
  };

 private:
  Host* host_;
  RowRights rowRights_;
  RequestHostScope* previous_;

  friend Host& requestHost();
  friend std::string AskRowRight(const LoginContext&, const std::string&, const std::string&, const std::string&);
};

// The row-rights service's answer to one question of `ologin`'s user (see RowRight). Inside a
// request the service is made and initialised at the user's first question and answers every
// later one, so that the grants are read once per request; outside a request each question gets
// a service of its own. Raises what the service raises; a service that raised is not asked again.
std::string AskRowRight(const LoginContext& ologin, const std::string& businessObject, const std::string& a2,
                        const std::string& a3);

}  // namespace corvane
