#include <algorithm>

#include "platform/com/RequestClass.h"
#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

// ProgIDs compare without regard to ASCII case, as class names did on the original platform.
bool sameProgId(std::string_view left, std::string_view right) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(), [&](char a, char b) { return lower(a) == lower(b); });
}

const ClassRegistry::Entry* findEntry(const std::vector<ClassRegistry::Entry>& entries, std::string_view progId) {
  const auto found = std::find_if(entries.begin(), entries.end(), [progId](const ClassRegistry::Entry& entry) {
    return sameProgId(entry.progId, progId);
  });
  return found == entries.end() ? nullptr : &*found;
}

}  // namespace

bool ClassRegistry::knows(std::string_view progId) const { return findEntry(entries_, progId) != nullptr; }

std::unique_ptr<RequestClass> ClassRegistry::create(std::string_view progId) const {
  const Entry* entry = findEntry(entries_, progId);
  if (entry == nullptr) {
    throw RuntimeError(errnum::kClassNotRegistered, "Class not registered: " + std::string(progId));
  }
  return entry->create();
}

}  // namespace corvane
