#include "settings/TreeRequests.h"

#include "platform/com/RuntimeError.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"

namespace corvane {

XmlNode requestRow(const FuncCall& call) {
  return call.oNode.child("in").firstChild();
}

std::string requiredAttribute(XmlNode row, std::string_view name) {
  const std::optional<std::string> value = row.findAttribute(name);
  if (!value) throw RuntimeError(errnum::kObjectMissing, "Object variable or With block variable not set");
  return *value;
}

bool answerError(FuncCall& call, std::string_view className, std::string_view procedure,
                 const RuntimeError& error, std::span<const ConstraintMessage> constraints) {
  loadReply(call.oXml, ErrorReply(className, procedure, error.number(),
                                  constraintText(error.description(), constraints)));
  return false;
}

}  // namespace corvane
