#include "request/RequestFrame.h"

#include <memory>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionPool.h"
#include "request/ErrorReply.h"
#include "request/HeldRight.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/RequestHost.h"
#include "request/RequestLimits.h"
#include "request/RequestTransaction.h"
#include "request/Rights.h"
#include "request/SqlText.h"

namespace corvane {

namespace {

XmlNode outOf(XmlNode func) {
  XmlNode out = func.child("out");
  return out ? out : func.appendElement("out");
}

bool goesOnAfterFailure(XmlNode func) { return func.attribute("goon") == "1"; }

class RequestWalk {
 public:
  RequestWalk(const FrameSettings& settings, LoginContext& ologin, XmlDocument& oXml,
              const std::function<std::optional<FuncRoute>(std::string_view)>& route)
      : settings_(settings), ologin_(ologin), oXml_(oXml), route_(route) {}

  void run() {
    CheckRequestShape(oXml_);
    openConnection();
    if (settings_.rightScope == RightScope::PerRequest) {
      requestRight_.emplace(ologin_, settings_.rightCode);  // released at the end, also after a refusal
      if (!ApplyTask(&ologin_, settings_.rightCode, oXml_)) return;
    }
    if (settings_.transaction == TransactionScope::PerRequest) {
      // A request whose funcs only read takes no write lock: it runs beside a writer and on a
      // read-only account.
      transaction_.emplace(*connection_, BeginWait::CommandTimeout,
                           anyFuncWrites() ? db::TransactionMode::Write : db::TransactionMode::Read);
    }
    const bool completed = walkFuncs();
    if (transaction_ && completed) transaction_->commit();
    transaction_.reset();  // rolls back what a stopped walk left
  }

  // Replaces the request document by the dispatcher's error reply, after rolling back.
  void fail(std::int32_t number, std::string_view description) {
    transaction_.reset();
    const std::string_view className = settings_.errorClass ? settings_.errorClass(number) : settings_.className;
    if (!settings_.numberInErrorId) {
      loadReply(oXml_, ErrorReplyWithoutNumber(className, settings_.handlerName, description));
    } else if (settings_.errorText) {
      loadReply(oXml_, ErrorReplyWithText(className, settings_.handlerName, number,
                                          settings_.errorText(number, std::string(description))));
    } else {
      loadReply(oXml_, ErrorReply(className, settings_.handlerName, number, description));
    }
  }

 private:
  void openConnection() {
    connection_ =
        db::ConnectionPool::shared().acquire(FixSqlText(ologin_.ConnectString()), settings_.connectionTimeout);
  }

  bool anyFuncWrites() const {
    for (XmlNode func : oXml_.selectNodes("//func")) {
      const std::optional<FuncRoute> target = route_(func.attribute("name"));
      if (target && target->writes) return true;
    }
    return false;
  }

  // Serves every func in document order; false when a failure stopped the walk.
  bool walkFuncs() {
    for (XmlNode func : oXml_.selectNodes("//func")) {
      if (!serveFunc(func) && !goesOnAfterFailure(func)) return false;
    }
    return true;
  }

  bool serveFunc(XmlNode func) {
    XmlNode out = outOf(func);
    XmlDocument reply;
    const std::string name = func.attribute("name");
    const bool result = callMember(name, func, reply);
    if (reply.isEmpty() && !result) {
      loadReply(reply, settings_.failReply ? settings_.failReply(name) : FailReply(name));
    }
    if (!reply.isEmpty()) out.appendChild(reply.documentElement());
    return result;
  }

  bool callMember(const std::string& name, XmlNode func, XmlDocument& reply) {
    const std::optional<FuncRoute> target = route_(name);
    if (!target) return true;
    if (target->checksLock) CheckSysLock(ologin_);
    std::optional<HeldRight> funcRight;
    if (settings_.rightScope == RightScope::PerFunc && !target->right.empty()) {
      funcRight.emplace(ologin_, target->right);
      // A refusal is this func's answer; the func counts as served and the walk goes on.
      if (!ApplyTask(&ologin_, target->right, reply)) return true;
    }
    beginForWritingFunc(*target);
    FuncCall call{ologin_, *connection_, func, reply};
    const bool result = target->call(call);
    endForWritingFunc(*target, result);
    return result;
  }

  void beginForWritingFunc(const FuncRoute& target) {
    if (!target.writes || transaction_) return;
    if (settings_.transaction == TransactionScope::PerWritingFunc) {
      transaction_.emplace(*connection_);
    } else if (settings_.transaction == TransactionScope::FromFirstWritingFunc) {
      transaction_.emplace(*connection_, BeginWait::Briefly);
    }
  }

  void endForWritingFunc(const FuncRoute& target, bool result) {
    if (!target.writes || settings_.transaction != TransactionScope::PerWritingFunc) return;
    if (!transaction_) return;
    if (result) transaction_->commit();
    transaction_.reset();  // rolls back what a failed func wrote
  }

  const FrameSettings& settings_;
  LoginContext& ologin_;
  XmlDocument& oXml_;
  const std::function<std::optional<FuncRoute>(std::string_view)>& route_;
  db::PooledConnection connection_;
  std::optional<RequestTransaction> transaction_;  // declared after the connection it runs on
  std::optional<HeldRight> requestRight_;          // released first, as the walk ends
};

void replaceByError(const FrameSettings& settings, XmlDocument& oXml, std::int32_t number,
                    std::string_view description) {
  if (!settings.numberInErrorId) {
    loadReply(oXml, ErrorReplyWithoutNumber(settings.className, settings.handlerName, description));
    return;
  }
  loadReply(oXml, ErrorReply(settings.className, settings.handlerName, number, description));
}

}  // namespace

Host& FuncCall::host() const { return ologin.host(); }

void serveRequest(const FrameSettings& settings, LoginContext* ologin, XmlDocument& oXml,
                  const std::function<std::optional<FuncRoute>(std::string_view)>& route) {
  if (ologin == nullptr) {
    replaceByError(settings, oXml, 0, GetResString("Z7.Corvane.0001"));
    return;
  }
  const RequestHostScope hostScope(ologin->host());
  RequestWalk walk(settings, *ologin, oXml, route);
  try {
    gLocaleID = ologin->LocaleId();
    walk.run();
  } catch (const RuntimeError& error) {
    walk.fail(error.number(), error.description());
  } catch (const std::exception& error) {
    walk.fail(errnum::kDbUnspecified, error.what());
  }
}

}  // namespace corvane
