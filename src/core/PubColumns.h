#pragma once
// The public services that pass a grid's column settings to and from the host's column-settings
// service: "rptcolumnget" reads the settings of one grid, "rptcolumnset" stores them. Each
// answers true after writing its reply, or writes its own error reply and answers false.

namespace corvane {

struct FuncCall;

// The service's settings of the grid `key` under `in`, in mode `mode` (0 to 255; 1 when the
// text is empty). A service that refuses (init false, empty settings) gives an error reply with
// number 0 and message 0090; a mode that is no number from 0 to 255 gives a run-time error reply.
bool RptColumnGet(FuncCall& call);

// Stores the first child element of `in` through the service and answers "<success/>"; a refusal
// (init false, save false) gives an error reply with number 0 and message 0091.
bool RptColumnSet(FuncCall& call);

}  // namespace corvane
