#pragma once
// What the members of the expense-standard settings share: their input element, their `Rows`
// replies and their error replies (reads answer "recordGet", writes "recordEdit").

#include <functional>
#include <span>
#include <string>

#include "request/RequestFrame.h"
#include "request/SaveRows.h"

namespace corvane::stand {

// The first child element of the func's `in` (a null node when there is none: reading it then
// raises object missing, 91).
XmlNode firstInput(const FuncCall& call);

// Runs `tsql` (after FixSqlText) and loads the reply with "<Rows>", a row per record, "</Rows>".
void loadRows(FuncCall& call, const std::string& tsql);

// Runs a read member: any error becomes the "recordGet" error reply and the answer false.
bool readMember(FuncCall& call, const std::function<bool(FuncCall&)>& body);

// Runs a write member: any error becomes the "recordEdit" error reply, a description naming one
// of `constraints` replaced by its message, and the answer false.
bool editMember(FuncCall& call, const std::function<bool(FuncCall&)>& body,
                std::span<const ConstraintMessage> constraints = {});

// Executes a write that must touch exactly one row, else raises `failureMessage`.
void executeOne(FuncCall& call, const std::string& tsql, const char* failureMessage);

}  // namespace corvane::stand
