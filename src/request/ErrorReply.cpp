#include "request/ErrorReply.h"

#include "platform/com/RuntimeError.h"
#include "platform/tsql/ErrorTexts.h"
#include "platform/xml/XmlDocument.h"
#include "request/Messages.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='utf-8'?>";

// The descriptions that the database layer words itself, with the catalogue's message that
// tells the user the same in the request's language. They are matched by text alone, since a
// host component may pass a description on without its number.
struct WordedFailure {
  std::string_view description;
  std::string_view messageId;
};

constexpr WordedFailure kWordedFailures[] = {
    {db::kTimeoutText, "Z7.Corvane.0400"},    {db::kReadOnlyText, "Z7.Corvane.0401"},
    {db::kDiskFullText, "Z7.Corvane.0402"},   {db::kPermissionText, "Z7.Corvane.0403"},
    {db::kCannotOpenText, "Z7.Corvane.0407"}, {db::kTooDeepText, "Z7.Corvane.0408"},
};

std::string shownDescription(std::string_view description) {
  for (const WordedFailure& failure : kWordedFailures) {
    if (failure.description == description) return GetResString(std::string(failure.messageId));
  }
  return std::string(description);
}

}  // namespace

std::string ErrorReplyWithText(std::string_view className, std::string_view procedure, std::int32_t number,
                               std::string_view text) {
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
  return ErrorReplyWithText(className, procedure, number, XmlEncode(shownDescription(description)));
}

std::string ErrorReplyWithoutNumber(std::string_view className, std::string_view procedure,
                                    std::string_view description) {
  std::string reply = "<error><id>Corvane:";
  reply += className;
  reply += ':';
  reply += procedure;
  reply += "</id><text>";
  reply += XmlEncode(std::string(description));
  reply += "</text></error>";
  return reply;
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
    loadReply(reply,
              ErrorReply(className, procedure, error.number(), describe ? describe(error) : error.description()));
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
