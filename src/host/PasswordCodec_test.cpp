#include "host/PasswordCodec.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/com/RuntimeError.h"

namespace corvane {
namespace {

TEST(PasswordCodecTest, EncodedFormIsHexAndNeverTheClearText) {
  const EmbeddedPasswordCodec codec;
  const std::string cases[] = {"demo", "DEMO", "a", "pass word 1!", "密码", std::string("\0x", 2)};
  for (const std::string& plain : cases) {
    const std::string stored = codec.Encode(plain);
    EXPECT_EQ(stored.size(), plain.size() * 2) << plain;
    EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), std::string::npos) << stored;
    EXPECT_EQ(stored.find(plain), std::string::npos) << plain;
    EXPECT_EQ(codec.Decode(stored), plain) << plain;
  }
}

TEST(PasswordCodecTest, EmptyPasswordStaysEmpty) {
  const EmbeddedPasswordCodec codec;
  EXPECT_EQ(codec.Encode(""), "");
  EXPECT_EQ(codec.Decode(""), "");
}

TEST(PasswordCodecTest, LowerCaseHexDecodesLikeUpperCase) {
  const EmbeddedPasswordCodec codec;
  std::string stored = codec.Encode("demo");
  for (char& c : stored) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(codec.Decode(stored), "demo");
}

TEST(PasswordCodecTest, ValueNotWrittenByEncodeIsRefused) {
  const EmbeddedPasswordCodec codec;
  for (const std::string stored : {"demo", "ABC", "0G", "12 4"}) {
    try {
      codec.Decode(stored);
      ADD_FAILURE() << "accepted " << stored;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kTypeMismatch) << stored;
    }
  }
}

}  // namespace
}  // namespace corvane
