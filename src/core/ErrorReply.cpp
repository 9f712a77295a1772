#include "core/ErrorReply.h"

#include "core/Messages.h"
#include "core/Values.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='utf-8'?>";

// The failures that the database layer words itself, by number or by description, with the
// catalogue's message that tells the user in the request's language.
struct WordedFailure {
  std::int32_t number;
  std::string_view description;  // empty: any description of that number
  std::string_view messageId;
};

constexpr WordedFailure kWordedFailures[] = {
    {errnum::kDbTimeout, {}, "Z7.Corvane.0400"},
    {errnum::kDbStatement, db::kReadOnlyText, "Z7.Corvane.0401"},
    {errnum::kDbStatement, db::kDiskFullText, "Z7.Corvane.0402"},
    {errnum::kDbPermissionDenied, {}, "Z7.Corvane.0403"},
    {errnum::kDbUnspecified, db::kCannotOpenText, "Z7.Corvane.0407"},
};

std::string shownDescription(std::int32_t number, std::string_view description) {
  for (const WordedFailure& failure : kWordedFailures) {
    if (failure.number == number && (failure.description.empty() || failure.description == description)) {
      return GetResString(std::string(failure.messageId));
    }
  }
  return std::string(description);
}

}  // namespace

std::string ErrorReplyWithText(std::string_view className, std::string_view procedure,
                               std::int32_t number, std::string_view text) {
  std::string reply(kDeclaration);
  reply += "<error><id>Corvane:";
  reply += className;
  reply += ':';
  reply += procedure;
  reply += ':';
  reply += std::to_string(number);
  reply += "</id><text>";
  reply += text;
  reply += "</text></error>";
  return reply;
}

std::string ErrorReply(std::string_view className, std::string_view procedure, std::int32_t number,
                       std::string_view description) {
  return ErrorReplyWithText(className, procedure, number, XmlEncode(shownDescription(number, description)));
}

std::string FailReply(std::string_view funcName) {
  std::string text(kDeclaration);
  text += "<err><id>tobrin:vendor:";
  text += XmlEncode(std::string(funcName));
  text += "</id><msg>";
  text += XmlEncode(GetResString("Z7.Corvane.0002"));
  text += "</msg></err>";
  return text;
}

bool answerAsMember(XmlDocument& reply, std::string_view className, std::string_view procedure,
                    const std::function<bool()>& work,
                    const std::function<std::string(const RuntimeError&)>& describe) {
  try {
    return work();
  } catch (const RuntimeError& error) {
    loadReply(reply, ErrorReply(className, procedure, error.number(),
                                describe ? describe(error) : error.description()));
  } catch (const std::exception& error) {
    loadReply(reply, ErrorReply(className, procedure, errnum::kDbUnspecified, error.what()));
  }
  return false;
}

void loadReply(XmlDocument& reply, std::string_view text) {
  if (!reply.loadXML(text)) {
    throw RuntimeError(errnum::kInvalidArgument, "The reply is not well-formed XML.");
  }
}

}  // namespace corvane
