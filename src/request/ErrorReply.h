#pragma once
// The error replies every class writes. One place builds them, so their texts never drift.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace corvane {

class RuntimeError;
class XmlDocument;

// "<error><id>Corvane:<className>:<procedure>:<number></id><text><escaped description></text></error>"
// A failure that the database layer words itself (busy or timed out, read-only, full, a refused
// read, a statement nested too deeply, an account that cannot be opened) shows the catalogue's
// text in the request's locale in place of the description.
std::string ErrorReply(std::string_view className, std::string_view procedure, std::int32_t number,
                       std::string_view description);

// "<error><id>Corvane:<className>:<procedure></id><text><escaped description></text></error>",
// without XML declaration: the reply of dispatchers whose error ids carry no number.
std::string ErrorReplyWithoutNumber(std::string_view className, std::string_view procedure,
                                    std::string_view description);

// As ErrorReply, with `text` written as it is (already escaped, or known to need no escaping).
std::string ErrorReplyWithText(std::string_view className, std::string_view procedure, std::int32_t number,
                               std::string_view text);

// The reply of a func that failed without writing one: "<err><id>tobrin:vendor:<name></id>
// <msg><text of Z7.Corvane.0002></msg></err>". The name is escaped so that any name still gives
// a well-formed reply.
std::string FailReply(std::string_view funcName);

// Runs a member's work, which writes its reply and answers the member's result. A run-time error
// becomes the member's error reply "Corvane:<className>:<procedure>:<number>", whose text is
// `describe` of the error (its description when no describe is given), and the answer false.
bool answerAsMember(XmlDocument& reply, std::string_view className, std::string_view procedure,
                    const std::function<bool()>& work,
                    const std::function<std::string(const RuntimeError&)>& describe = {});

// Loads a reply text that a member built into its reply document. Raises a run-time error when the
// text is not well-formed, so that a broken reply becomes the member's error reply instead of
// passing as an empty success.
void loadReply(XmlDocument& reply, std::string_view text);

}  // namespace corvane
