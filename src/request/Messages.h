#pragma once
// Message texts by id, in the request's locale, with up to three parameters put in, from the
// message catalogue of the request's host (RequestHost.h).

#include <cstdint>
#include <string>

namespace corvane {

// The catalogue's text of message `id`. An empty `locale` means the request's locale
// (gLocaleID). With `p1` empty the plain text comes back and `p2`, `p3` are ignored; otherwise
// the parameters are p1, p2, p3 when `p3` is given (p2 may then be empty), p1, p2 when `p2` is
// given, else p1 alone. Errors of the catalogue reach the caller.
std::string GetResString(const std::string& id, const std::string& locale = "", const std::string& p1 = "",
                         const std::string& p2 = "", const std::string& p3 = "");

// Raises the business error (9000) whose description is message `id` in the request's locale,
// with the parameters put in as GetResString does.
[[noreturn]] void raiseMessage(const std::string& id, const std::string& p1 = "", const std::string& p2 = "",
                               const std::string& p3 = "");

// As raiseMessage, with the error number `number`: the few members whose refusals answer with
// another number than 9000 (number 0 for most of them).
[[noreturn]] void raiseMessageNumbered(std::int32_t number, const std::string& id, const std::string& p1 = "",
                                       const std::string& p2 = "", const std::string& p3 = "");

// As raiseMessageNumbered with one parameter, naming `source` as the error's source: the report
// data sources, whose errors say which of them failed.
[[noreturn]] void raiseMessageFrom(const std::string& source, std::int32_t number, const std::string& id,
                                   const std::string& p1 = "");

// Raises the business error (9000) with `reason`, a refusal in a host component's own words, or
// with message `id` when the component gave no reason.
[[noreturn]] void raiseRefusal(const std::string& reason, const std::string& id);

}  // namespace corvane
