#pragma once
// A host component's own message, in the request's language: Chinese for the zh locales, else
// English.

#include <string>

#include "platform/com/Locale.h"

namespace corvane {

struct ComponentText {
  const char* zh;
  const char* en;
};

inline std::string inLocale(const ComponentText& text) { return gLocaleID.rfind("zh", 0) == 0 ? text.zh : text.en; }

}  // namespace corvane
