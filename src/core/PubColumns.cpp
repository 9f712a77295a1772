#include "core/PubColumns.h"

#include "host/Host.h"
#include "host/LoginContext.h"
#include "request/PubCommon.h"
#include "request/RequestFrame.h"

namespace corvane {

namespace {

constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='utf-8'?>";
constexpr std::int32_t kMaxMode = 255;

std::uint8_t modeOf(const std::string& text) {
  if (text.empty()) return 1;
  const std::int32_t mode = CLng(Variant(text));
  if (mode < 0 || mode > kMaxMode) {
    throw RuntimeError(errnum::kOverflow, "The mode " + text + " is not a number from 0 to 255.");
  }
  return static_cast<std::uint8_t>(mode);
}

// Runs the member; a failure without a description takes the text of `messageId`.
template <class Work>
bool servedWithMessage(FuncCall& call, std::string_view procedure, const std::string& messageId, Work&& work) {
  return pub::served(call.oXml, procedure, [&] {
    try {
      return work();
    } catch (const RuntimeError& error) {
      if (!error.description().empty()) throw;
      raiseMessageNumbered(error.number(), messageId);
    }
  });
}

std::unique_ptr<ColumnSet> readyService(FuncCall& call, const std::string& messageId) {
  std::unique_ptr<ColumnSet> service = call.host().columnSet();
  if (!service->init(call.ologin.ConnectString(), call.ologin.UserId())) raiseMessageNumbered(0, messageId);
  return service;
}

}  // namespace

bool RptColumnGet(FuncCall& call) {
  const std::string message = "Z7.Corvane.0090";
  return servedWithMessage(call, "RptColumnGet", message, [&] {
    const XmlNode in = pub::inputOf(call.oNode);
    std::string key = pub::requiredChild(in, "key").text();
    const XmlNode modeNode = in.child("mode");
    std::uint8_t mode = modeOf(modeNode ? modeNode.text() : std::string());
    const std::unique_ptr<ColumnSet> service = readyService(call, message);
    const std::string settings = service->getColInfo(key, mode);
    if (settings.empty()) raiseMessageNumbered(0, message);
    loadReply(call.oXml, std::string(kDeclaration) + settings);
    return true;
  });
}

bool RptColumnSet(FuncCall& call) {
  const std::string message = "Z7.Corvane.0091";
  return servedWithMessage(call, "RptColumnSet", message, [&] {
    const std::string settings = pub::firstInputElement(call.oNode).xml();
    const std::unique_ptr<ColumnSet> service = readyService(call, message);
    if (!service->save(settings)) raiseMessageNumbered(0, message);
    loadReply(call.oXml, "<success/>");
    return true;
  });
}

}  // namespace corvane
