#include "core/SaveRows.h"

#include "core/ErrorReply.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"

namespace corvane {

namespace {

bool isPlainDecimal(std::string_view text) {
  std::size_t digits = 0;
  bool point = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else if (c == '-' && i == 0) {
      continue;
    } else {
      return false;
    }
  }
  return digits > 0;
}

void saveOneRow(FuncCall& call, const SaveRowsEditor& editor, XmlNode row) {
  const RowStatement statement = editor.statementFor(call, row);
  const long affected = call.CN.execute(FixSqlText(statement.sql));
  if (affected != 1) raiseBusiness(GetResString(statement.failureMessage));
}

}  // namespace

RowOperation rowOperation(XmlNode row) {
  const std::string p = row.attribute("P");
  if (p == "1") return RowOperation::Insert;
  if (p == "2") return RowOperation::Update;
  if (p == "3") return RowOperation::Delete;
  raiseBusiness(GetResString("Z7.Corvane.0048"));
}

std::string rowVersion(XmlNode row) {
  std::string ts = row.attribute("ts");
  if (!isPlainDecimal(ts)) raiseBusiness(GetResString("Z7.Corvane.0047"));
  return ts;
}

std::string constraintText(std::string_view description,
                           std::span<const ConstraintMessage> constraints) {
  std::string text(description);
  for (const ConstraintMessage& entry : constraints) {
    if (description.find(entry.constraint) != std::string_view::npos) {
      text = GetResString(entry.messageId);
    }
  }
  return text;
}

bool saveRows(FuncCall& call, const SaveRowsEditor& editor) {
  try {
    XmlNode list = call.oNode.child("in").firstChild();
    if (list) {
      for (XmlNode row : list.children()) saveOneRow(call, editor, row);
    }
    return editor.readBack(call);
  } catch (const RuntimeError& error) {
    loadReply(call.oXml, ErrorReply(editor.className, editor.procedure, error.number(),
                                    constraintText(error.description(), editor.constraints)));
    return false;
  }
}

}  // namespace corvane
