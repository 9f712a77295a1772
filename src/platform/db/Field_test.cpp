#include "platform/db/Field.h"

#include <gtest/gtest.h>

namespace corvane::db {
namespace {

TEST(DeclaredTypeTest, ReadsTheTypeNamesOfTheSchema) {
  struct Case {
    const char* declaration;
    DeclaredType expected;
  };
  static const Case cases[] = {
      {"varchar(20)", {adVarChar, 20}},
      {"[nvarchar] (100)", {adVarWChar, 100}},
      {"NVARCHAR(MAX)", {adLongVarWChar, 1073741823}},
      {"varchar(max)", {adLongVarChar, 2147483647}},
      {"varchar", {adVarChar, 8000}},
      {"char(2)", {adChar, 2}},
      {"nchar", {adWChar, 1}},
      {"text", {adLongVarChar, 2147483647}},
      {"ntext", {adLongVarWChar, 1073741823}},
      {"[varchar] (50) COLLATE Chinese_PRC_CI_AS NOT NULL", {adVarChar, 50}},
      {"int", {adInteger, 4, 10}},
      {"INTEGER", {adInteger, 4, 10}},
      {"int IDENTITY (1, 1)", {adInteger, 4, 10}},
      {"smallint", {adSmallInt, 2, 5}},
      {"tinyint", {adUnsignedTinyInt, 1, 3}},
      {"bigint", {adBigInt, 8, 19}},
      {"bit", {adBoolean, 2}},
      {"money", {adCurrency, 8, 19, 4}},
      {"smallmoney", {adCurrency, 4, 10, 4}},
      {"[decimal](18, 2)", {adNumeric, 19, 18, 2}},
      {"numeric(5,2)", {adNumeric, 19, 5, 2}},
      {"decimal", {adNumeric, 19, 18, 0}},
      {"float", {adDouble, 8, 15}},
      {"real", {adSingle, 4, 7}},
      {"datetime", {adDBTimeStamp, 16, 23, 3}},
      {"smalldatetime", {adDBTimeStamp, 16, 16, 0}},
      {"uniqueidentifier", {adGUID, 16}},
  };
  for (const Case& c : cases) {
    const auto type = fieldTypeOf(c.declaration);
    ASSERT_TRUE(type.has_value()) << c.declaration;
    EXPECT_EQ(*type, c.expected) << c.declaration;
  }
}

TEST(DeclaredTypeTest, LeavesUnknownNamesToTheValues) {
  for (const char* declaration : {"", "  ", "NUM", "double", "varchar2(10)", "(10)"}) {
    EXPECT_FALSE(fieldTypeOf(declaration).has_value()) << declaration;
  }
}

}  // namespace
}  // namespace corvane::db
