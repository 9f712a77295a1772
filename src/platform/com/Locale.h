#pragma once
// The locale of the request being served on this thread ("zh-CN", "en-us", ...). Set by every
// dispatcher from the login object; read by message lookup, SQL rewriting and LocaleID filters.
// It keeps its value between requests on the same thread.

#include <string>

namespace corvane {

inline thread_local std::string gLocaleID;

}  // namespace corvane
