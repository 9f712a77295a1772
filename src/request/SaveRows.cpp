#include "request/SaveRows.h"

#include <optional>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"

namespace corvane {

namespace {

void saveOneRow(FuncCall& call, const SaveRowsEditor& editor, XmlNode row) {
  const RowStatement statement = editor.statementFor(call, row);
  if (sql::execute(call.CN, statement.sql) != 1) raiseMessage(statement.failureMessage);
}

}  // namespace

RowOperation rowOperation(XmlNode row) {
  const std::string p = row.attribute("P");
  if (p == "1") return RowOperation::Insert;
  if (p == "2") return RowOperation::Update;
  if (p == "3") return RowOperation::Delete;
  raiseMessage("Z7.Corvane.0048");
}

RowVersion rowVersion(XmlNode row) {
  const std::optional<RowVersion> version = RowVersion::parseSigned(row.attribute("ts"));
  if (!version) raiseMessage("Z7.Corvane.0047");
  return *version;
}

std::string constraintText(std::string_view description, std::span<const ConstraintMessage> constraints) {
  std::string text(description);
  for (const ConstraintMessage& entry : constraints) {
    if (description.find(entry.constraint) != std::string_view::npos) {
      text = GetResString(entry.messageId);
    }
  }
  return text;
}

std::function<std::string(const RuntimeError&)> namingConstraints(std::span<const ConstraintMessage> constraints) {
  return [constraints](const RuntimeError& error) { return constraintText(error.description(), constraints); };
}

bool saveRows(FuncCall& call, const SaveRowsEditor& editor) {
  return answerAsMember(
      call.oXml, editor.className, editor.procedure,
      [&] {
        XmlNode list = call.oNode.child("in").firstChild();
        if (list) {
          for (XmlNode row : list.children()) saveOneRow(call, editor, row);
        }
        return editor.readBack(call);
      },
      namingConstraints(editor.constraints));
}

}  // namespace corvane
