#include "host/MessageCatalog.h"

#include <algorithm>
#include <cctype>

#include "platform/com/AsciiText.h"

namespace corvane {

namespace {

bool isEnglish(const std::string& locale) { return equalsIgnoringCase(locale, "en-us"); }

const MessageText* findMessage(std::string_view id) {
  const auto texts = EmbeddedMessageTexts();
  const auto found = std::ranges::lower_bound(texts, id, {}, &MessageText::id);
  return found != texts.end() && found->id == id ? &*found : nullptr;
}

// Every locale but English reads the Chinese texts: "zh-CN" is the catalogue's default.
std::string textOf(const std::string& id, const std::string& locale) {
  const MessageText* message = findMessage(id);
  if (message == nullptr) {
    return isEnglish(locale) ? "Undefined message " + id : "未定义的消息 " + id;
  }
  return std::string(isEnglish(locale) ? message->enUS : message->zhCN);
}

bool isPlaceholderAt(std::string_view text, std::size_t at) {
  return at + 2 < text.size() && text[at] == '{' && text[at + 1] >= '0' && text[at + 1] <= '9' && text[at + 2] == '}';
}

// One pass over the text, so that a parameter holding "{1}" is not filled again.
std::string fillPlaceholders(std::string_view text, const std::vector<std::string>& parameters) {
  std::string filled;
  filled.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (isPlaceholderAt(text, at)) {
      const auto index = static_cast<std::size_t>(text[at + 1] - '0');
      if (index < parameters.size()) filled += parameters[index];
      at += 3;
    } else {
      filled += text[at++];
    }
  }
  return filled;
}

class EmbeddedMessageTextSource final : public MessageTextSource {
 public:
  std::string GetText(const std::string& id, const std::string& locale) const override { return textOf(id, locale); }
};

class EmbeddedMessageCatalog final : public MessageCatalog {
 public:
  std::unique_ptr<MessageTextSource> Messages() const override { return std::make_unique<EmbeddedMessageTextSource>(); }
};

class EmbeddedMessageFormatter final : public MessageFormatter {
 public:
  std::string FormatText(const std::string& id, const std::vector<std::string>& parameters,
                         const std::string& locale) const override {
    return fillPlaceholders(textOf(id, locale), parameters);
  }
};

}  // namespace

std::unique_ptr<MessageCatalog> CreateMessageCatalog() { return std::make_unique<EmbeddedMessageCatalog>(); }

std::unique_ptr<MessageFormatter> CreateMessageFormatter() { return std::make_unique<EmbeddedMessageFormatter>(); }

}  // namespace corvane
