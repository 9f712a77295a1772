#pragma once
// Sets the message locale gLocaleID for as long as it lives and then restores the one before, so
// that a test reads the messages in one language whatever ran before it.

#include <string>

#include "platform/com/Locale.h"

namespace corvane {

class ScopedLocale {
 public:
  explicit ScopedLocale(const std::string& locale) : previous_(gLocaleID) { gLocaleID = locale; }
  ~ScopedLocale() { gLocaleID = previous_; }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  std::string previous_;
};

}  // namespace corvane
