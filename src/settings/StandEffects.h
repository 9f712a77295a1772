#pragma once
// The effect items of a standard (which dimensions its amounts vary by) and the value lists of
// the items. Where an item's values live is read from its definition row at every call.

#include <string>
#include <string_view>

#include "request/RequestFrame.h"

namespace corvane::stand {

// "geteffect": every effect item of the request's locale, the chosen ones with the standard's
// GUID and their ts, the others with both empty, by item number.
bool GetEffect(FuncCall& call);
// "saveeffect": replaces the standard's chosen items, unless it already has amount rows.
bool SaveEffect(FuncCall& call);
// "geteffectvalue": the value list of one item (of one standard where the item keeps its values
// per standard).
bool GetEffectValue(FuncCall& call);
// "saveeffectvalue": inserts, updates and deletes values of one item, then answers the list.
bool SaveEffectValue(FuncCall& call);

// The next free value code of item `item` in `table`: one more than the largest code read as a
// whole number, as two digits ("01" for the first); raises "Z7.Corvane.0057" beyond "99".
std::string GetNextCode(db::Connection& CN, std::string_view table, std::string_view codeField, std::string_view item);

}  // namespace corvane::stand
