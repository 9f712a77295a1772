#pragma once
// The module's request classes by ProgID: the composition root, the one place that knows every
// subsystem.

#include "platform/com/RequestClass.h"

namespace corvane {

// Every creatable class of the module ("Corvane.COperation", "Corvane.CLoan", ...).
const ClassRegistry& StandardClasses();

}  // namespace corvane
