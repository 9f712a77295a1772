#pragma once
// Voucher numbers from the host's bill numbering: the numbering format of a voucher card, and
// the next number for a voucher. Both answer by loading their reply into `call.oXml` and raise
// RuntimeError on failure (business failures with number 0 and the message text); the public
// services turn that into their error reply. Neither writes a table of the module: the
// numbering component keeps its own state.

namespace corvane {

struct FuncCall;

// `in/type`: the card. Answers the card's format document itself. Raises with message 0099
// when the card has no numbering and 0100 when its format is not well-formed.
void AnswerNumberFormat(FuncCall& call);

// `in/type`: the card; `in/true` (optional): draw the number ("true") or only show it; `in/voucher`:
// the voucher head as a record set (`rs:data/z:row`) or a head element (`head/z:row`), the
// former looked for first. Each part of the format is seeded from that head row's field named by
// the part (a date-time field gives its date), except the parts of the kind "远程号". Answers
// "<vchno>number</vchno>". Raises with message 0107 when there is no number, also when the
// format lets the user type numbers by hand; with 0099 and 0100 as AnswerNumberFormat does.
void AnswerVoucherNumber(FuncCall& call);

// AnswerNumberFormat and AnswerVoucherNumber as the public services serve them ("VchNoFormatGet",
// "VchNoGet"), for the voucher classes and the voucher save as well: true, or false after
// loading the error reply "Corvane:CPubMsg:<procedure>:<number>" into `call.oXml`, with message
// 0109 or 0108 when the failure has no text.
bool ServeNumberFormat(FuncCall& call);
bool ServeVoucherNumber(FuncCall& call);

}  // namespace corvane
