#pragma once
// The request frame every request class shares: set the locale, open the connection, take the
// function right, open the transaction, serve the `func` elements in document order with one
// member each, append the answers under `out`, commit or roll back, release the right, and turn
// any run-time error into an error reply. A class states only what varies (FrameSettings) and its
// func table.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/com/RequestClass.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

class Host;
class LoginContext;
namespace db {
class Connection;
}

// What a member gets for one func: the login object, the open connection, the `func` element and
// the func's own reply document. The member answers true (success) or false (failure). Every host
// component the member uses is reached through host(), the login object's host.
struct FuncCall {
  LoginContext& ologin;
  db::Connection& CN;
  XmlNode oNode;
  XmlDocument& oXml;

  Host& host() const;
};

enum class RightScope {
  None,        // the class takes no right, or its members take their own
  PerRequest,  // one right for the whole request; a refusal replaces the document
  PerFunc,     // a right around each func that names one; a refusal is that func's answer,
               // and the func counts as served
};

// Which transaction the frame opens around the funcs. A class whose members write in transactions
// of their own says so (OwnedByMembers), so that its settings tell a reader where its writes are
// committed; None is for a class whose members open none.
enum class TransactionScope {
  None,                  // none: the members only read (scratch tables aside)
  OwnedByMembers,        // none: each member that writes opens and ends its own (a RequestTransaction,
                         // or the one of the host component it calls)
  PerRequest,            // begun before the first func, committed after the last
  PerWritingFunc,        // one around each writing func, committed when it succeeds
  FromFirstWritingFunc,  // begun at the first writing func, held to the end of the request
};

struct FrameSettings {
  std::string_view className;  // as it appears in error ids
  std::string_view handlerName = "myHandle";
  RightScope rightScope = RightScope::PerRequest;
  std::string_view rightCode;  // the request-wide right
  int connectionTimeout = 60;
  TransactionScope transaction = TransactionScope::PerRequest;
  // The reply of a func that failed without writing one; FailReply when null.
  std::string (*failReply)(std::string_view funcName) = nullptr;
  // The text of the dispatcher's error reply for an error; the escaped description when null.
  std::string (*errorText)(std::int32_t number, const std::string& description) = nullptr;
  // The class named in the dispatcher's error id for an error; className when null.
  std::string_view (*errorClass)(std::int32_t number) = nullptr;
  // false: the dispatcher's error reply names no error number ("Corvane:<class>:<handler>").
  bool numberInErrorId = true;
};

// One entry of a class's func table.
template <class Owner>
struct FuncEntry {
  std::string_view name;  // compared exactly, case-sensitive
  bool (Owner::*member)(FuncCall&);
  bool writes = false;          // opens the transaction where the class opens one per writing func
  std::string_view right = {};  // the right taken around this func (RightScope::PerFunc)
  bool checksLock = false;      // asks first whether the module is locked against writing
};

// How the frame reaches a member without knowing the class.
struct FuncRoute {
  std::function<bool(FuncCall&)> call;
  bool writes = false;
  std::string_view right;
  bool checksLock = false;
};

// Serves a request document. `route` answers the member for a func name, or nothing for a name
// outside the table (which counts as success with an empty reply).
void serveRequest(const FrameSettings& settings, LoginContext* ologin, XmlDocument& oXml,
                  const std::function<std::optional<FuncRoute>(std::string_view)>& route);

// Base of the request classes: Owner names its settings (`kFrame`) and its func table (`kFuncs`).
template <class Owner>
class FramedClass : public RequestClass {
 public:
  void myHandle(LoginContext* ologin, XmlDocument& oXml) override {
    serveRequest(Owner::kFrame, ologin, oXml, [this](std::string_view name) -> std::optional<FuncRoute> {
      for (const FuncEntry<Owner>& entry : Owner::kFuncs) {
        if (entry.name != name) continue;
        auto* self = static_cast<Owner*>(this);
        return FuncRoute{[self, member = entry.member](FuncCall& call) { return (self->*member)(call); }, entry.writes,
                         entry.right, entry.checksLock};
      }
      return std::nullopt;
    });
  }
};

}  // namespace corvane
