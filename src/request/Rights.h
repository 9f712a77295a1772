#pragma once
// Function rights and the module lock, asked of the host through the login object.

#include <string_view>

namespace corvane {

class LoginContext;
class XmlDocument;

// Takes the function right `code`. True when taken. On a refusal or any error answers false with
// the refusal reply ("Corvane:MSG:ApplyTask:<number>") loaded into `oRet`, after asking the host
// once more to release the right. Never raises.
bool ApplyTask(LoginContext* ologin, std::string_view code, XmlDocument& oRet);

// Releases the function right `code`. True when released; false otherwise. Never raises and
// reports nothing.
bool FreeTask(LoginContext* ologin, std::string_view code);

// Raises error 9000 with the text of "Z7.Corvane.0039" when the module is locked against writing;
// the login object's own errors go to the caller as well.
void CheckSysLock(LoginContext& ologin);

}  // namespace corvane
