#pragma once
// The save-row routine of the settings editors. The client sends the rows it changed in a grid,
// each marked by `P` ("1" insert, "2" update, "3" delete); every change must touch exactly one row
// (updates and deletes name the row version `ts` the client read), and the answer is the list
// read anew. Each editor gives its statements, its read member and its constraint-name table.

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "request/RequestFrame.h"
#include "request/RowVersion.h"

namespace corvane {

class RuntimeError;

enum class RowOperation { Insert, Update, Delete };

// A statement for one row and the message raised unless it affects exactly one row.
struct RowStatement {
  std::string sql;
  const char* failureMessage;
};

// A database error whose text names `constraint` is answered with the message `messageId`.
struct ConstraintMessage {
  std::string_view constraint;
  const char* messageId;
};

struct SaveRowsEditor {
  std::string_view className;  // in the error id
  std::string_view procedure;  // in the error id
  std::span<const ConstraintMessage> constraints;
  // Builds the statement of one row; raises a business error to refuse the row.
  std::function<RowStatement(FuncCall&, XmlNode row)> statementFor;
  // Answers the list read anew (the save's reply and result).
  std::function<bool(FuncCall&)> readBack;
};

// Saves the rows under the first child of the func's `in`, then answers through readBack. On any
// error writes the editor's error reply (a named constraint replaced by its message) and answers
// false; the rows saved before stay in the request's transaction, which the frame rolls back.
bool saveRows(FuncCall& call, const SaveRowsEditor& editor);

// The row's `P` as an operation; raises "Z7.Corvane.0048" for any other value.
RowOperation rowOperation(XmlNode row);

// The row's `ts` for the WHERE clause of an update or delete. A value that is not a plain
// decimal number (a sign allowed) is refused as a stale row ("Z7.Corvane.0047"), so it can never
// widen the statement.
RowVersion rowVersion(XmlNode row);

// The message that replaces a database error's text: the last constraint of `constraints` whose
// name the text holds (case-sensitive), or the text itself.
std::string constraintText(std::string_view description, std::span<const ConstraintMessage> constraints);

// The error text of a member whose failures may name one of `constraints` (answerAsMember's
// describe): the description with a named constraint replaced by its message.
std::function<std::string(const RuntimeError&)> namingConstraints(std::span<const ConstraintMessage> constraints);

}  // namespace corvane
