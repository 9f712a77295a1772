#include "settings/TreeRequests.h"

#include "platform/com/RuntimeError.h"
#include "request/Messages.h"

namespace corvane {

XmlNode requestRow(const FuncCall& call) { return call.oNode.child("in").firstChild(); }

std::string requiredAttribute(XmlNode row, std::string_view name) {
  const std::optional<std::string> value = row.findAttribute(name);
  if (!value) raiseObjectMissing();
  return *value;
}

}  // namespace corvane
