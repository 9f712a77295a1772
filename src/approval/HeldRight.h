#pragma once
// A function right taken for one voucher (or refused), released on every way out.

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
