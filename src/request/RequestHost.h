#pragma once
// The host of the request being served on this thread, for the code beneath the request frame
// that is handed no login object (message lookup). The frame installs the login object's host
// for the length of a request, as it sets the request's locale; outside a request it is the
// embedded host.

#include "host/Host.h"

namespace corvane {

Host& requestHost();

// Installs `host` as the thread's request host while it lives, then restores the one before.
class RequestHostScope {
 public:
  explicit RequestHostScope(Host& host);
  ~RequestHostScope();
  RequestHostScope(const RequestHostScope&) = delete;
  RequestHostScope& operator=(const RequestHostScope&) = delete;

 private:
  Host* previous_;
};

}  // namespace corvane
