#include "reports/CReport.h"

#include <array>
#include <functional>
#include <string>

#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "reports/ListQueries.h"
#include "reports/LoanAgeReport.h"
#include "reports/PagedList.h"
#include "reports/TypeCollectReport.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::string_view kClassName = "CReport";

std::string reportFailReply(std::string_view funcName) {
  return "<error><id>Corvane:CReport:myHandle:" + XmlEncode(std::string(funcName)) + "</id><text>" +
         GetResString("Z7.Corvane.0002") + "</text></error>";
}

// Runs a member's work; a run-time error becomes the member's error reply, with the member's
// failure text when the error has none.
bool answerReport(FuncCall& call, std::string_view member, const char* failureMessageId,
                  const std::function<bool()>& work) {
  return answerAsMember(call.oXml, kClassName, member, work, [&](const RuntimeError& error) {
    return error.description().empty() ? GetResString(failureMessageId) : error.description();
  });
}

constexpr std::array kFuncTable = {
    FuncEntry<CReport>{"loanalertdata", &CReport::LoanAlertData, false, "KX0401"},
    FuncEntry<CReport>{"ageget", &CReport::AgeGet, false, "KX0402"},
    FuncEntry<CReport>{"ageset", &CReport::AgeSet, false, "KX0402"},
    FuncEntry<CReport>{"loanagedata", &CReport::LoanAgeData, false, "KX0402"},
    FuncEntry<CReport>{"typecollectdata", &CReport::typeCollectData, false, "KX0404"},
};

}  // namespace

const FrameSettings CReport::kFrame{.className = "CReport",
                                    .rightScope = RightScope::PerFunc,
                                    .rightCode = {},
                                    .connectionTimeout = 60,
                                    .transaction = TransactionScope::OwnedByMembers,
                                    .failReply = reportFailReply,
                                    .numberInErrorId = false};
const std::span<const FuncEntry<CReport>> CReport::kFuncs{kFuncTable};

bool CReport::LoanAlertData(FuncCall& call) {
  return answerReport(call, "LoanAlertData", "Z7.Corvane.0127", [&] {
    const PageRequest page = ReadPageRequest(call.oNode);
    AnswerPage(call.CN, page, LoanAlertQuery(call.ologin, call.CN, call.oNode), "Corvane:CReport:LoanAlertData",
               call.oXml);
    return true;
  });
}

bool CReport::AgeGet(FuncCall& call) {
  return answerReport(call, "AgeGet", "Z7.Corvane.0128", [&] {
    // The interval kind is checked, but the component keeps one set of intervals per module.
    if (const XmlNode kind = call.oNode.selectSingleNode("in/agetype")) CInt(Variant(kind.text()));
    const std::string intervals = call.host().aging(call.CN)->getAge(call.ologin, "KX");
    // A document that does not parse leaves the func without answer.
    call.oXml.loadXML("<?xml version=\"1.0\" encoding=\"utf-8\"?>" + intervals);
    return true;
  });
}

bool CReport::AgeSet(FuncCall& call) {
  return answerReport(call, "AgeSet", "Z7.Corvane.0129", [&] {
    const XmlNode age = call.oNode.selectSingleNode("in/age");
    if (!age) raiseObjectMissing();
    const XmlNode intervals = age.firstChild();
    if (!call.host().aging(call.CN)->SaveAge(call.ologin, intervals ? intervals.xml() : std::string())) {
      raiseMessage("Z7.Corvane.0129");
    }
    loadReply(call.oXml, "<success/>");
    return true;
  });
}

bool CReport::LoanAgeData(FuncCall& call) {
  if (!AgeSet(call)) {
    loadReply(call.oXml, ErrorReply(kClassName, "LoanAgeData", 0, GetResString("Z7.Corvane.0137")));
    return false;
  }
  return answerReport(call, "LoanAgeData", "Z7.Corvane.0137", [&] {
    loadReply(call.oXml, LoanAgeReply(call.ologin, call.CN, call.oNode));
    return true;
  });
}

bool CReport::typeCollectData(FuncCall& call) {
  return answerReport(call, "typeCollectData", "Z7.Corvane.0147", [&] {
    loadReply(call.oXml, TypeCollectReply(call.ologin, call.CN, call.oNode));
    return true;
  });
}

}  // namespace corvane
