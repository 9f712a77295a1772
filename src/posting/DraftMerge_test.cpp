#include "posting/DraftMerge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

std::string joined(const std::vector<std::string>& columns) {
  std::string text;
  for (const std::string& column : columns) text += (text.empty() ? "" : ",") + column;
  return text;
}

TEST(DraftMerge, KeyColumnsByOptionFlags) {
  const std::string always = "ccode,cdept_id,cperson_id,ccus_id,csup_id,citem_class,citem_id";
  const std::string userDefined =
      "cDefine1,cDefine2,cDefine3,cDefine4,cDefine5,cDefine6,cDefine7,cDefine8,cDefine9,cDefine10,cDefine11,"
      "cDefine12,cDefine13,cDefine14,cDefine15,cDefine16";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> options;
    int side;
    std::string key;
  } const cases[] = {
      {"item side, all off", {}, 0, always},
      {"payment side, all off", {}, 1, always},
      {"summary, any case of name and value", {{"IOKM_ZY", "TRUE"}}, 0, always + ",cdigest"},
      {"the item side's summary leaves the payment side alone", {{"iokm_zy", "true"}}, 1, always},
      {"account and auxiliaries are always in the key",
       {{"iokm_km", "true"}, {"iokm_fzx", "true"}, {"opkm_km", "true"}, {"opkm_fzx", "true"}},
       0,
       always},
      {"document date", {{"iokm_djrq", "true"}}, 0, always + ",dbill_date"},
      {"item-side user-defined fields", {{"iokm_zdy", "true"}}, 0, always + "," + userDefined},
      {"settle style", {{"opkm_jsfs", "true"}}, 1, always + ",csettle"},
      {"bill number", {{"opkm_pjbh", "true"}}, 1, always + ",cn_id"},
      {"payment-side user-defined fields", {{"opkm_zdy", "true"}}, 1, always + "," + userDefined},
      {"payment side, every option",
       {{"opkm_zy", "true"}, {"opkm_djrq", "true"}, {"opkm_jsfs", "true"}, {"opkm_pjbh", "True"}},
       1,
       always + ",cdigest,dbill_date,csettle,cn_id"},
      {"off values and unknown names", {{"opkm_jsfs", "false"}, {"opkm_pjbh", "1"}, {"other", "true"}}, 1, always},
      {"an account on neither side never merges", {{"iokm_zy", "true"}}, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(joined(MergeKeyColumns(c.side, ReadMergeOptions(c.options))), c.key);
  }
}

TEST(DraftMerge, FlagTexts) {
  const MergeOptions options = ReadMergeOptions({{"iokm_zdy", "true"}, {"opkm_zy", "true"}, {"opkm_zdy", "TRUE"}});
  EXPECT_EQ(options.itemFlags, "00001");
  EXPECT_EQ(options.paymentFlags, "1000001");
  std::string flags = "0000000";
  SetFlagChar(flags, 6);
  EXPECT_EQ(flags, "0000010");
}

}  // namespace
}  // namespace corvane
