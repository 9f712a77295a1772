#pragma once
// "GetAuditInfo" and "GetAudiState": where a voucher stands in its approval flow and what it went
// through, as the approval flow of the login object's host tells it. Both only read. A voucher outside the user's data
// rights answers as one that does not exist. Failures answer false with "Corvane:CLoan:recordGet:<number>".

#include "request/RequestFrame.h"

namespace corvane {

// Request: the first child of `in` with `guid` and `strType` ("KX01", "KX02", "KX03"; any other
// 0161). Answers "<data>" LF + the flow's information text + LF "</data>" and true; when the flow
// has none, its reason with the voucher's GUID removed.
bool AnswerFlowInfo(FuncCall& call);

// Request: the first child of `in` with `GUID` and `strType`, whose first character is the voucher
// kind digit ("1", "2", "3"; any other 0161). Answers nothing and true for a voucher in no flow or
// without history. Otherwise "<Rows>" with one `row` per history record (every column, values
// escaped), the flow's own history text, and `EASPrintData`: one print line per record,
// "<0381>approver <0382>step <0383>remark <0384>time" CR LF (a step that is Null leaves out its
// label), escaped.
bool AnswerFlowHistory(FuncCall& call);

}  // namespace corvane
