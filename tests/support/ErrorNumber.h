#pragma once
// The error number an action raises, for tests of the run-time errors a layer raises.

#include <cstdint>
#include <functional>

#include "platform/com/RuntimeError.h"

namespace corvane {

// Runs `action` and answers the number of the RuntimeError it raised; 0 when it raised none.
inline std::int32_t errorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& error) {
    return error.number();
  }
  return 0;
}

}  // namespace corvane
