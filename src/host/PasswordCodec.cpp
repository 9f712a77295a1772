#include "host/PasswordCodec.h"

#include <sodium.h>

#include <array>

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

void startLibrary() {
  static const int started = sodium_init();  // thread-safe, once
  if (started < 0) throw RuntimeError(errnum::kDbUnspecified, "The password library cannot start.");
}

}  // namespace

std::string NormalisedPassword(std::string_view typed) {
  const auto first = typed.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::string result(typed.substr(first, typed.find_last_not_of(' ') - first + 1));
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::string EmbeddedPasswordCodec::Encode(const std::string& plain) const {
  const std::string normalised = NormalisedPassword(plain);
  if (normalised.empty()) return {};
  startLibrary();
  std::array<char, crypto_pwhash_STRBYTES> stored{};
  const bool minimal = cost_ == Cost::Minimal;
  if (crypto_pwhash_str(stored.data(), normalised.data(), normalised.size(),
                        minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    throw RuntimeError(errnum::kDbUnspecified, "The password cannot be hashed: out of memory.");
  }
  return stored.data();
}

bool EmbeddedPasswordCodec::Matches(const std::string& stored, const std::string& typed) const {
  const std::string normalised = NormalisedPassword(typed);
  if (stored.empty()) return normalised.empty();
  if (stored.size() >= crypto_pwhash_STRBYTES) return false;  // not a text Encode wrote
  startLibrary();
  return crypto_pwhash_str_verify(stored.c_str(), normalised.data(), normalised.size()) == 0;
}

}  // namespace corvane
