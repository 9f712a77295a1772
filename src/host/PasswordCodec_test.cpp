#include "host/PasswordCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(PasswordCodecTest, StoredFormIsASaltedHashThatMatchesOnlyThePassword) {
  const EmbeddedPasswordCodec codec;
  const std::string cases[] = {"demo", "pass word 1!", "密码", std::string("a\0b", 3)};
  for (const std::string& plain : cases) {
    const std::string stored = codec.Encode(plain);
    EXPECT_EQ(stored.rfind("$argon2id$", 0), 0U) << stored;
    EXPECT_EQ(stored.find(plain), std::string::npos) << plain;
    EXPECT_NE(codec.Encode(plain), stored) << "the salt differs each time: " << plain;
    EXPECT_TRUE(codec.Matches(stored, plain)) << plain;
    EXPECT_FALSE(codec.Matches(stored, plain + "x")) << plain;
    EXPECT_FALSE(codec.Matches(stored, "")) << plain;
  }
}

// The stored text carries its own cost: a cheap test hash is checked by any codec, and the default
// codec hashes at the interactive cost.
TEST(PasswordCodecTest, StoredFormNamesTheCostItWasMadeWith) {
  const EmbeddedPasswordCodec interactive;
  const EmbeddedPasswordCodec minimal(EmbeddedPasswordCodec::Cost::Minimal);
  const std::string cheap = minimal.Encode("demo");
  EXPECT_NE(cheap.find("$m=8,"), std::string::npos) << cheap;
  EXPECT_TRUE(interactive.Matches(cheap, "demo"));
  EXPECT_NE(interactive.Encode("demo").find("$m=65536,"), std::string::npos);
}

TEST(PasswordCodecTest, PasswordsCompareWithoutBlanksAroundThemAndWithoutCase) {
  const EmbeddedPasswordCodec codec;
  const std::string stored = codec.Encode(" Demo ");
  for (const char* typed : {"demo", "DEMO", "  dEmO", "demo   "}) {
    EXPECT_TRUE(codec.Matches(stored, typed)) << typed;
  }
  for (const char* typed : {"de mo", "demo\t", "dem"}) EXPECT_FALSE(codec.Matches(stored, typed)) << typed;
  EXPECT_EQ(NormalisedPassword("  aBc d  "), "ABC D");
}

TEST(PasswordCodecTest, NoPasswordMatchesOnlyABlankOne) {
  const EmbeddedPasswordCodec codec;
  EXPECT_EQ(codec.Encode(""), "");
  EXPECT_EQ(codec.Encode("   "), "");
  EXPECT_TRUE(codec.Matches("", ""));
  EXPECT_TRUE(codec.Matches("", "  "));
  EXPECT_FALSE(codec.Matches("", "demo"));
}

// A stored text that the codec did not write (such as a reversible encoding of the password)
// lets no one in, not even with that text itself.
TEST(PasswordCodecTest, StoredTextNotWrittenByEncodeMatchesNothing) {
  const EmbeddedPasswordCodec codec;
  const std::string cases[] = {"demo", "27000302", "$argon2id$v=19$broken", std::string(200, 'A')};
  for (const std::string& stored : cases) {
    EXPECT_FALSE(codec.Matches(stored, stored)) << stored;
    EXPECT_FALSE(codec.Matches(stored, "demo")) << stored;
  }
}

}  // namespace
}  // namespace corvane
