#include "host/LoginContext.h"

#include "host/Host.h"

namespace corvane {

Host& LoginContext::host() const { return EmbeddedHost::instance(); }

}  // namespace corvane
