#pragma once
// The host's password codec. User passwords are kept in `vqsystem..UA_User.cPassword` as salted
// slow hashes, which cannot be turned back into the password: the account creator hashes them
// when it makes users, and the login checks ask whether what a user typed matches the stored
// hash. Passwords compare without regard to blanks around them or to the case of letters (as the
// login checks always did), so the hash is taken of the normalised password.

#include <string>
#include <string_view>

namespace corvane {

// The password as it is compared: blanks around it removed, letters a to z in upper case.
std::string NormalisedPassword(std::string_view typed);

class PasswordCodec {
 public:
  virtual ~PasswordCodec() = default;

  // The stored form of `plain`: a hash of its normalised form with a salt of its own, so that
  // the same password never gives the same text twice; empty for a password that normalises to
  // empty text (no password). Raises RuntimeError when the hash cannot be made (out of memory).
  virtual std::string Encode(const std::string& plain) const = 0;
  // True when `typed` matches `stored`, a value that Encode wrote (or empty text or Null, read as
  // empty: then a typed password that normalises to empty text matches). A stored text that
  // Encode did not write matches nothing.
  virtual bool Matches(const std::string& stored, const std::string& typed) const = 0;
};

// Argon2id through libsodium, in libsodium's self-describing text form ("$argon2id$v=19$m=..."):
// the stored text names the cost it was made with, and Matches pays that cost.
class EmbeddedPasswordCodec final : public PasswordCodec {
 public:
  enum class Cost {
    Interactive,  // libsodium's interactive limits: tens of milliseconds and 64 MiB a hash
    Minimal,      // libsodium's lowest limits, for throw-away test accounts only
  };
  explicit EmbeddedPasswordCodec(Cost cost = Cost::Interactive) : cost_(cost) {}

  std::string Encode(const std::string& plain) const override;
  bool Matches(const std::string& stored, const std::string& typed) const override;

 private:
  Cost cost_;
};

}  // namespace corvane
