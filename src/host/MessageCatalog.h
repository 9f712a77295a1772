#pragma once
// The host's message catalogue: every text the module shows a user, by message id and locale,
// with up to three parameters put in.
//
// Contract the module relies on:
// - Every id and locale gives a non-empty text. Locales match without regard to case ("en-US"
//   is "en-us"); a locale the catalogue does not hold, the empty one included, falls back to
//   "zh-CN". An id the catalogue does not hold gives a text that names the id.
// - The "zh-CN" texts of some ids are stored in the account database (control types, payment
//   directions) and compared exactly: they never change.
// - Placeholders are written {0}, {1}, {2}; FormatText puts parameter i in the place of {i}. A
//   placeholder without a parameter becomes empty text; parameter texts are put in as they are
//   (a "{1}" inside a parameter is not filled again).
// - No text holds an apostrophe, a double quote, "<", ">" or "&": callers place texts inside SQL
//   literals and XML attributes without escaping them.
// - The components keep no state: each call stands alone.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class MessageTextSource {
 public:
  virtual ~MessageTextSource() = default;
  // The text of message `id` in `locale`, without parameters filled in.
  virtual std::string GetText(const std::string& id, const std::string& locale) const = 0;
};

class MessageCatalog {
 public:
  virtual ~MessageCatalog() = default;
  // The source of the catalogue's texts.
  virtual std::unique_ptr<MessageTextSource> Messages() const = 0;
};

class MessageFormatter {
 public:
  virtual ~MessageFormatter() = default;
  // The text of message `id` in `locale` with parameters[i] put in the place of {i}.
  virtual std::string FormatText(const std::string& id, const std::vector<std::string>& parameters,
                                 const std::string& locale) const = 0;
};

// The embedded catalogue, over the texts compiled into the module.
std::unique_ptr<MessageCatalog> CreateMessageCatalog();
std::unique_ptr<MessageFormatter> CreateMessageFormatter();

// One message of the embedded catalogue in its two locales.
struct MessageText {
  std::string_view id;
  std::string_view zhCN;
  std::string_view enUS;
};

// All messages of the embedded catalogue, ordered by id (byte order), each id once.
std::span<const MessageText> EmbeddedMessageTexts();

}  // namespace corvane
