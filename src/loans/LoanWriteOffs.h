#pragma once
// What a loan voucher's lines show of the claims that wrote them off, and whether those
// write-offs or the voucher's submission keep it from changing.

#include <string>

namespace corvane {

namespace db {
class Connection;
}

// The "<Rows>" document of the write-off view of voucher `guid`: per record a line row with the
// amount left on the line, followed by a write-off row when a claim wrote the line off (a line
// written off by several claims repeats before each of them). Values are escaped.
std::string writeOffRows(db::Connection& connection, const std::string& guid);

// Raises "Z7.Corvane.0270" when a claim wrote off a line of voucher `guid`, whatever the state of
// the write-off.
void refuseWrittenOffVoucher(db::Connection& connection, const std::string& guid);

// Raises "Z7.Corvane.0180" when voucher `guid` does not exist and "Z7.Corvane.0269" when it is
// submitted.
void refuseSubmittedVoucher(db::Connection& connection, const std::string& guid);

}  // namespace corvane
