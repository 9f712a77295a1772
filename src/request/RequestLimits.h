#pragma once
// The limits on a request document, so that one request cannot take the server's memory and
// time: its size in bytes (checked before it is parsed), the number of its `func` elements and
// the depth of its elements (checked before any func is served). A request over a limit is
// refused with an error 9000 whose text names the limit, in the request's locale.

#include <cstddef>

namespace corvane {

class XmlDocument;

inline constexpr std::size_t kMaxRequestBytes = 8 * 1024 * 1024;
inline constexpr std::size_t kMaxRequestFuncs = 1000;
inline constexpr std::size_t kMaxRequestDepth = 64;  // the document element is at depth 1

// Raises RuntimeError 9000 ("Z7.Corvane.0404") when a request text of `bytes` is over the limit.
void CheckRequestSize(std::size_t bytes);

// Raises RuntimeError 9000 when the document holds more `func` elements than the limit
// ("Z7.Corvane.0405") or elements nested deeper than the limit ("Z7.Corvane.0406").
void CheckRequestShape(const XmlDocument& document);

}  // namespace corvane
