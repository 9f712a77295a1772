#include "request/ErrorReply.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "platform/tsql/ErrorTexts.h"
#include "request/Locale.h"

namespace corvane {
namespace {

// The failures the database layer words itself reach the user in the request's language; any
// other description is shown as it is, escaped.
TEST(ErrorReply, ShowsTheDatabaseLayersOwnFailuresInTheRequestsLanguage) {
  struct Case {
    std::string_view description;
    const char* locale;
    const char* text;
  };
  const Case cases[] = {
      {db::kTimeoutText, "zh-CN",
       "数据库忙或查询超时：数据正被其他用户占用，或查询超过了时间限制，已停止。请稍后重试，或缩小查询范围。"},
      {db::kTimeoutText, "en-us",
       "The database is busy or the query timed out: another user holds the data, or the query ran past its time limit "
       "and was stopped. Try again later, or narrow the query."},
      {db::kReadOnlyText, "zh-CN", "账套数据库为只读，不能保存数据。"},
      {db::kDiskFullText, "en-us", "The account database or its disk is full. Data cannot be saved."},
      {db::kPermissionText, "zh-CN", "查询不能读取受保护的数据，如用户口令。"},
      {db::kCannotOpenText, "zh-CN", "不能打开账套数据库：其文件夹不存在、为只读或无权访问。"},
      {db::kTooDeepText, "en-us", "The statement is nested too deeply. Simplify it and try again."},
      {"Invalid column name 'x<y'.", "zh-CN", "Invalid column name &apos;x&lt;y&apos;."},
  };
  for (const Case& c : cases) {
    gLocaleID = c.locale;
    EXPECT_EQ("<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:C:p:1</id><text>" + std::string(c.text) +
                  "</text></error>",
              ErrorReply("C", "p", 1, c.description))
        << c.description << " " << c.locale;
  }
  gLocaleID.clear();
}

}  // namespace
}  // namespace corvane
