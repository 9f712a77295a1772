#include "platform/com/RequestClass.h"

namespace corvane {

// The module's creatable classes, one line per class: {"Corvane.<class>", factory}.
const ClassRegistry& ClassRegistry::standard() {
  static const ClassRegistry registry({});
  return registry;
}

}  // namespace corvane
