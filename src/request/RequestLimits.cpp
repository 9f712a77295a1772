#include "request/RequestLimits.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/xml/XmlDocument.h"
#include "request/Messages.h"

namespace corvane {

namespace {

[[noreturn]] void refuse(const std::string& id, std::size_t limit) {
  raiseMessage(id, std::to_string(limit));
}

}  // namespace

void CheckRequestSize(std::size_t bytes) {
  if (bytes > kMaxRequestBytes) refuse("Z7.Corvane.0404", kMaxRequestBytes);
}

void CheckRequestShape(const XmlDocument& document) {
  // Walked without recursion, so that a deep document cannot exhaust the stack.
  std::vector<std::pair<XmlNode, std::size_t>> pending;
  if (!document.isEmpty()) pending.emplace_back(document.documentElement(), 1);
  std::size_t funcs = 0;
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    if (depth > kMaxRequestDepth) refuse("Z7.Corvane.0406", kMaxRequestDepth);
    if (node.name() == "func" && ++funcs > kMaxRequestFuncs) refuse("Z7.Corvane.0405", kMaxRequestFuncs);
    for (const XmlNode& child : node.children()) pending.emplace_back(child, depth + 1);
  }
}

}  // namespace corvane
