#pragma once
// The host's password codec. User passwords are kept encoded in `vqsystem..UA_User.cPassword`,
// never in clear text: the account creator encodes them when it makes users, and the login
// check decodes the stored value to compare it with what the user typed.

#include <string>

namespace corvane {

class PasswordCodec {
 public:
  virtual ~PasswordCodec() = default;

  // The stored form of `plain`; never equal to `plain` unless `plain` is empty.
  virtual std::string Encode(const std::string& plain) const = 0;
  // The plain password of a value that Encode wrote. Raises RuntimeError (type mismatch, 13)
  // when `stored` is not such a value.
  virtual std::string Decode(const std::string& stored) const = 0;
};

// Reversible encoding: each byte is combined with a fixed key by exclusive or, then written as
// two upper-case hexadecimal digits.
class EmbeddedPasswordCodec final : public PasswordCodec {
 public:
  std::string Encode(const std::string& plain) const override;
  std::string Decode(const std::string& stored) const override;
};

}  // namespace corvane
