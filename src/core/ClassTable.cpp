#include "core/COperation.h"
#include "platform/com/RequestClass.h"

namespace corvane {

namespace {

template <class T>
std::unique_ptr<RequestClass> make() {
  return std::make_unique<T>();
}

}  // namespace

// The module's creatable classes, one line per class.
const ClassRegistry& ClassRegistry::standard() {
  static const ClassRegistry registry({
      {"Corvane.COperation", make<COperation>},
  });
  return registry;
}

}  // namespace corvane
