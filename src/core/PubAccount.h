#pragma once
// The public services around logging in: the age of the client package ("edittimeget"), the
// login check with the accounts a user may enter ("ztinfoget"), the logged-in user's menu and
// account context ("menuget", "ztget") and the operation that does nothing ("addlock").
// Each answers true after writing its reply into the reply document, or writes its own error
// reply "Corvane:CPubMsg:<procedure>:<number>" and answers false.

#include <filesystem>

#include "platform/xml/XmlDocument.h"

namespace corvane {

class LoginContext;
struct FuncCall;

// The installation's client folder: "client" beside the folder of the login object's account.
// Only files inside it are read for "edittimeget".
std::filesystem::path clientFolderOf(const LoginContext& ologin);

// "<edittime>y-m-d</edittime>": the last-change date of <folder>/client/data2.cab, the folder
// being the text of the func's `in` (back slashes read as slashes). The file must lie inside
// `clientFolder`; any other path is refused with error 5, a missing file with error 53.
bool editTimeGet(XmlNode oNode, XmlDocument& oXml, const std::filesystem::path& clientFolder);

// Checks `uid` and `pwd` (trimmed, any case) under the func's `in` against the system database
// and answers "<info><user .../><zts><zt ...><period .../>..</zt>..</zts></info>": the
// account-years (with their periods) in which the user or one of his groups holds a right.
// Fails with 0335 when the look-up fails, 0084 for an unknown user or a wrong password, 0085
// when there is no such account-year. `lookup` is the login object whose connection look-up
// (ConnectKeySuffix, ResolveConnectString, EndConnectLookup) names the system database; nothing
// else of it is used.
bool ztInfoGet(XmlNode oNode, XmlDocument& oXml, LoginContext& lookup);

// "<menu caccname='..' ... isalert='0|1'>" + the user's menu of the module + "</menu>".
bool menuGet(FuncCall& call);

// "<ztinfo caccname='..' ... />" with the account's master data and the first day of the first
// and the last day of the last period of the login year, when they exist.
bool ztGet(FuncCall& call);

// Does nothing and answers true.
bool addLock(FuncCall& call);

}  // namespace corvane
