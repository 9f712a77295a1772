#include "request/RequestHost.h"

#include "host/LoginContext.h"

namespace corvane {

namespace {

thread_local RequestHostScope* tRequest = nullptr;

std::unique_ptr<RowRight> initialisedRowRight(const LoginContext& ologin) {
  std::unique_ptr<RowRight> service = ologin.host().rowRight();
  service->init(ologin.ConnectString(), ologin.UserId());
  return service;
}

bool madeFor(const RequestHostScope::RowRights& rights, const LoginContext& ologin) {
  return rights.service != nullptr && rights.host == &ologin.host() && rights.userId == ologin.UserId() &&
         rights.connectString == ologin.ConnectString();
}

}  // namespace

Host& requestHost() { return tRequest != nullptr ? *tRequest->host_ : EmbeddedHost::instance(); }

RequestHostScope::RequestHostScope(Host& host) : host_(&host), previous_(tRequest) { tRequest = this; }

RequestHostScope::~RequestHostScope() { tRequest = previous_; }

std::string AskRowRight(const LoginContext& ologin, const std::string& businessObject, const std::string& a2,
                        const std::string& a3) {
  if (tRequest == nullptr) return initialisedRowRight(ologin)->GetAuthString(businessObject, a2, a3);
  RequestHostScope::RowRights& rights = tRequest->rowRights_;
  if (!madeFor(rights, ologin)) {
    rights.service.reset();
    rights.service = initialisedRowRight(ologin);
    rights.host = &ologin.host();
    rights.userId = ologin.UserId();
    rights.connectString = ologin.ConnectString();
  }
  try {
    return rights.service->GetAuthString(businessObject, a2, a3);
  } catch (...) {
    rights.service.reset();
    throw;
  }
}

}  // namespace corvane
