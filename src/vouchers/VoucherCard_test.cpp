#include "vouchers/VoucherCard.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/com/RuntimeError.h"
#include "request/Locale.h"

namespace corvane {
namespace {

TEST(VoucherCard, CardOfAKindByTheFirstCharacterOfItsType) {
  struct Case {
    const char* typeCode;
    const char* card;
  };
  const Case cases[] = {{"102", "KX02"}, {"201", "KX03"}, {"301", "KX01"}, {"", "KX01"}, {"9", "KX01"}};
  for (const Case& c : cases) EXPECT_EQ(CardNumber(c.typeCode), c.card) << c.typeCode;
}

TEST(VoucherCard, BusyOrBrokenDatabaseErrorsAnswerTheRetryMessage) {
  const std::string previousLocale = gLocaleID;
  gLocaleID = "en-us";
  const std::string retry = "The database could not complete the operation. Try again later.";
  struct Case {
    std::int32_t number;
    const char* text;
  };
  const Case cases[] = {
      {static_cast<std::int32_t>(0x80040E21), retry.c_str()},
      {static_cast<std::int32_t>(0x80004005), retry.c_str()},
      {static_cast<std::int32_t>(0x80040E31), retry.c_str()},
      {static_cast<std::int32_t>(0x8004D013), retry.c_str()},
      {static_cast<std::int32_t>(0x80040E14), "the description"},
      {errnum::kBusiness, "the description"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VoucherFailureText(RuntimeError(c.number, "the description")), c.text) << c.number;
  }
  gLocaleID = previousLocale;
}

}  // namespace
}  // namespace corvane
