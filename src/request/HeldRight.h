#pragma once
// A function right held for a request, a func or a voucher, released on every way out. It is
// made before the right is asked for, since a refused right is released too.

#include <string_view>

#include "request/Rights.h"

namespace corvane {

class LoginContext;

class HeldRight {
 public:
  HeldRight(LoginContext& ologin, std::string_view code) : ologin_(ologin), code_(code) {}
  HeldRight(const HeldRight&) = delete;
  HeldRight& operator=(const HeldRight&) = delete;
  ~HeldRight() { FreeTask(&ologin_, code_); }

 private:
  LoginContext& ologin_;
  std::string_view code_;
};

}  // namespace corvane
