#include "request/RequestLimits.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/xml/XmlDocument.h"
#include "request/Messages.h"

namespace corvane {

void CheckRequestSize(std::size_t bytes) {
  if (bytes > kMaxRequestBytes) raiseMessage("Z7.Corvane.0404", std::to_string(kMaxRequestBytes));
}

void CheckRequestShape(const XmlDocument& document) {
  // Walked without recursion, so that a deep document cannot exhaust the stack.
  std::vector<std::pair<XmlNode, std::size_t>> pending;
  if (!document.isEmpty()) pending.emplace_back(document.documentElement(), 1);
  std::size_t funcs = 0;
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    if (depth > kMaxRequestDepth) raiseMessage("Z7.Corvane.0406", std::to_string(kMaxRequestDepth));
    if (node.name() == "func" && ++funcs > kMaxRequestFuncs) {
      raiseMessage("Z7.Corvane.0405", std::to_string(kMaxRequestFuncs));
    }
    for (const XmlNode& child : node.children()) pending.emplace_back(child, depth + 1);
  }
}

}  // namespace corvane
