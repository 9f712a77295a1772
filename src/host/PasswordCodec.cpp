#include "host/PasswordCodec.h"

#include <string_view>

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

constexpr std::string_view kKey = "Corvane/UA_User.cPassword";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

unsigned char keyByte(std::size_t position) {
  return static_cast<unsigned char>(kKey[position % kKey.size()]);
}

int hexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return -1;
}

[[noreturn]] void raiseNotEncoded() {
  throw RuntimeError(errnum::kTypeMismatch, "The stored password is not in the encoded form.");
}

}  // namespace

std::string EmbeddedPasswordCodec::Encode(const std::string& plain) const {
  std::string stored;
  stored.reserve(plain.size() * 2);
  for (std::size_t i = 0; i < plain.size(); ++i) {
    const unsigned char mixed = static_cast<unsigned char>(plain[i]) ^ keyByte(i);
    stored += kHexDigits[mixed >> 4];
    stored += kHexDigits[mixed & 0x0F];
  }
  return stored;
}

std::string EmbeddedPasswordCodec::Decode(const std::string& stored) const {
  if (stored.size() % 2 != 0) raiseNotEncoded();
  std::string plain;
  plain.reserve(stored.size() / 2);
  for (std::size_t i = 0; i < stored.size(); i += 2) {
    const int high = hexValue(stored[i]);
    const int low = hexValue(stored[i + 1]);
    if (high < 0 || low < 0) raiseNotEncoded();
    plain += static_cast<char>(static_cast<unsigned char>(high * 16 + low) ^ keyByte(i / 2));
  }
  return plain;
}

}  // namespace corvane
