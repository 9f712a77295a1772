#include "request/Rights.h"

#include <string>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"

namespace corvane {

namespace {

// The code the host knows the module's writing lock by.
constexpr std::int32_t kModuleLockKind = 204;
constexpr const char* kModuleCode = "KX";

std::int16_t loginYear(const LoginContext& ologin) { return CInt(Variant(ologin.LoginYear())); }

// Asks the host to take (or release) a right; raises the refusal when it says no.
void requestTask(LoginContext& ologin, std::string_view code, bool take) {
  ologin.ResetTaskState();
  bool ok = false;
  ologin.RequestTask(std::string(code), take, loginYear(ologin), ok);
  if (!ok) raiseRefusal(ologin.LastErrorText(), "Z7.Corvane.0025");
}

void releaseQuietly(LoginContext& ologin, std::string_view code) {
  try {
    bool ok = false;
    ologin.RequestTask(std::string(code), false, loginYear(ologin), ok);
    ologin.ResetTaskState();
  } catch (const std::exception&) {
    // The refusal has been reported already; a failing release adds nothing to it.
  }
}

}  // namespace

bool ApplyTask(LoginContext* ologin, std::string_view code, XmlDocument& oRet) {
  try {
    if (ologin == nullptr) raiseMessage("Z7.Corvane.0026");
    requestTask(*ologin, code, true);
    return true;
  } catch (const RuntimeError& error) {
    loadReply(oRet, ErrorReply("MSG", "ApplyTask", error.number(), error.description()));
  } catch (const std::exception& error) {
    loadReply(oRet, ErrorReply("MSG", "ApplyTask", errnum::kDbUnspecified, error.what()));
  }
  if (ologin != nullptr) releaseQuietly(*ologin, code);
  return false;
}

bool FreeTask(LoginContext* ologin, std::string_view code) {
  try {
    if (ologin == nullptr) raiseMessage("Z7.Corvane.0369");
    requestTask(*ologin, code, false);
    return true;
  } catch (const std::exception&) {
    if (ologin != nullptr) {
      try {
        ologin->ResetTaskState();
      } catch (const std::exception&) {
        // Nothing is reported from a release.
      }
    }
    return false;
  }
}

void CheckSysLock(LoginContext& ologin) {
  bool locked = false;
  Variant unused;
  ologin.QueryLock(kModuleLockKind, kModuleCode, loginYear(ologin), locked, unused);
  if (locked) raiseMessage("Z7.Corvane.0039");
}

}  // namespace corvane
