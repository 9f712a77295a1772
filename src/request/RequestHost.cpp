#include "request/RequestHost.h"

namespace corvane {

namespace {

thread_local Host* tRequestHost = nullptr;

}  // namespace

Host& requestHost() { return tRequestHost != nullptr ? *tRequestHost : EmbeddedHost::instance(); }

RequestHostScope::RequestHostScope(Host& host) : previous_(tRequestHost) { tRequestHost = &host; }

RequestHostScope::~RequestHostScope() { tRequestHost = previous_; }

}  // namespace corvane
