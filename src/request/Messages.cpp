#include "request/Messages.h"

#include <vector>

#include "platform/com/RuntimeError.h"
#include "request/Locale.h"
#include "request/RequestHost.h"

namespace corvane {

namespace {

std::vector<std::string> parameterList(const std::string& p1, const std::string& p2, const std::string& p3) {
  if (!p3.empty()) return {p1, p2, p3};
  if (!p2.empty()) return {p1, p2};
  return {p1};
}

}  // namespace

std::string GetResString(const std::string& id, const std::string& locale, const std::string& p1, const std::string& p2,
                         const std::string& p3) {
  const std::string& useLocale = locale.empty() ? gLocaleID : locale;
  Host& host = requestHost();
  if (p1.empty()) return host.messageCatalog()->Messages()->GetText(id, useLocale);
  return host.messageFormatter()->FormatText(id, parameterList(p1, p2, p3), useLocale);
}

void raiseMessage(const std::string& id, const std::string& p1, const std::string& p2, const std::string& p3) {
  raiseMessageNumbered(errnum::kBusiness, id, p1, p2, p3);
}

void raiseMessageNumbered(std::int32_t number, const std::string& id, const std::string& p1, const std::string& p2,
                          const std::string& p3) {
  throw RuntimeError(number, GetResString(id, "", p1, p2, p3));
}

void raiseMessageFrom(const std::string& source, std::int32_t number, const std::string& id, const std::string& p1) {
  throw RuntimeError(number, GetResString(id, "", p1), source);
}

void raiseRefusal(const std::string& reason, const std::string& id) {
  if (reason.empty()) raiseMessage(id);
  raiseBusiness(reason);
}

}  // namespace corvane
