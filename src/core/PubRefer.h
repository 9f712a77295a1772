#pragma once
// The public services behind the client's pick lists and input fields: one page of a reference
// list ("refer"), the check of a typed-in code ("refercheck"), the check of a user-defined
// field's value ("userdefcheck") and one page of its allowed values ("userdefdata"). Each answers
// true after writing its reply, or writes its own error reply and answers false. Every query
// text that the client sends or narrows runs only when it is a single SELECT.

#include <string>

namespace corvane {

class LoginContext;
class XmlNode;
struct FuncCall;
namespace db {
class Connection;
}

// "<page count=.. current=.. length=.. type=.. name=.. match=.. order=.. auth=.. flag=..
// format=..><data>rows as record-set XML</data>[<mode>display format</mode>]</page>": one page
// of the list that the refer element (first child of `in`) names by its `type` ("user", "sql",
// "name"), narrowed by its `match` and, unless `auth` is "0" or empty, by the user's row rights.
bool itemRefer(FuncCall& call);

// The row-right condition of the refer kind named by the element's `auth` ("code", "dsign",
// "user"): " ccode in (..) ", " csign in (..) ", " cuser_name in (..) "; " 1 = 1 " when nothing
// restricts; " 1=0 " when the user may see none or the rights cannot be read.
std::string referFilterGet(const LoginContext& ologin, const XmlNode& refer);

// The SQL of a "user" refer element's list ("fd_dwref": the units, setting its `col` to "1";
// "userdef": the user-defined field's values, with the column heads in `head`); empty when it
// cannot be built.
std::string userdefReferSql(const LoginContext& ologin, XmlNode refer, db::Connection& CN, std::string& head);

// "<Rows col='value' ... />" from the single row of the SELECT in the attribute `strsql` of the
// first child of `in`; "<Rows  />" when it answers no row or several.
bool referCheck(FuncCall& call);

// "<success><id>0</id><text>value</text></success>" when the field service accepts the value,
// "<error><id>1</id><text>why</text></error>" when it refuses it (both answer true).
bool userdefCheck(FuncCall& call);

// "<page ... type='sql' ... flag='KX' sql=.. head=.. width=..><data>..</data></page>": one page
// of the values of a user-defined field (free fields, named "cfree..", by their own list).
bool userdefData(FuncCall& call);

}  // namespace corvane
