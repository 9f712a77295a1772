#pragma once
// What the item and place editors share: the row a func names, its attributes, the failures
// that only set a description, and the error reply with a constraint named in plain words.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "request/RequestFrame.h"
#include "request/SaveRows.h"

namespace corvane {

class RuntimeError;

// The first child element of the func's `in`.
XmlNode requestRow(const FuncCall& call);

// The attribute's text; a missing attribute raises object missing (91).
std::string requiredAttribute(XmlNode row, std::string_view name);

// Loads the member's error reply into its reply document; answers false, the member's result.
bool answerError(FuncCall& call, std::string_view className, std::string_view procedure,
                 const RuntimeError& error, std::span<const ConstraintMessage> constraints = {});

}  // namespace corvane
