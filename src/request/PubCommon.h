#pragma once
// What the public services share: a member runs its work and turns any failure into its own
// error reply, and reads the inputs it requires. The voucher services that the voucher classes
// serve too answer through it, and other classes read their inputs alike.

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/com/RuntimeError.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"

namespace corvane::pub {

// The class name in the error ids of the public services.
inline constexpr std::string_view kClassName = "CPubMsg";

// Runs `work` (which writes its reply and answers the member's result); any failure becomes the
// error reply "Corvane:CPubMsg:<procedure>:<number>" with its description, and false.
template <class Work>
bool served(XmlDocument& oXml, std::string_view procedure, Work&& work) {
  return answerAsMember(oXml, kClassName, procedure, std::forward<Work>(work));
}

// Runs `work`, which loads its reply into `call.oXml`, and answers true; a run-time error
// becomes the error reply as `served` makes it, with the text of `defaultMessageId` when the
// error has none, and false.
inline bool served(FuncCall& call, std::string_view procedure, const std::string& defaultMessageId,
                   const std::function<void(FuncCall&)>& work) {
  return answerAsMember(
      call.oXml, kClassName, procedure,
      [&] {
        work(call);
        return true;
      },
      [&](const RuntimeError& error) {
        return error.description().empty() ? GetResString(defaultMessageId) : error.description();
      });
}

// The child element `name` of `parent`; a missing one raises 91.
inline XmlNode requiredChild(const XmlNode& parent, std::string_view name) {
  const XmlNode child = parent ? parent.child(name) : XmlNode();
  if (!child) {
    raiseObjectMissing("The request has no element '" + std::string(name) + "'.");
  }
  return child;
}

// The func's `in` element; a missing one raises 91.
inline XmlNode inputOf(const XmlNode& func) { return requiredChild(func, "in"); }

// The first child element of the func's `in`; a missing one raises 91.
inline XmlNode firstInputElement(const XmlNode& func) {
  const XmlNode element = inputOf(func).firstChild();
  if (!element) raiseObjectMissing("The request's 'in' has no element.");
  return element;
}

// The attribute `name` of `element`; a missing one raises 91.
inline std::string requiredAttribute(const XmlNode& element, std::string_view name) {
  const std::optional<std::string> value = element.findAttribute(name);
  if (!value) {
    raiseObjectMissing("The request has no attribute '" + std::string(name) + "'.");
  }
  return *value;
}

}  // namespace corvane::pub
