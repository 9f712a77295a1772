#pragma once
// Tables that reports and the ledger-voucher maker build in the account's shared tempdb, under
// names unique to each call, and new GUIDs from the database.

#include <array>
#include <string>

namespace corvane {

namespace db {
class Connection;
}

// "G", the 16 bytes of a new random GUID in hexadecimal (three 32-bit groups of eight digits,
// then the last four bytes one by one: below 10 with a leading zero, 10 to 15 as one letter,
// larger as two digits), then the seconds since midnight without their decimal point. Empty
// when no GUID can be made.
std::string GetUniqueName();

// The unique name for the GUID `guid` at `secondsSinceMidnight` (to the hundredth).
std::string UniqueName(const std::array<unsigned char, 16>& guid, double secondsSinceMidnight);

// "vqtmp" + GetUniqueName().
std::string GetTmpTableName();

// Creates tempdb..<new name> with `columns` (the column definitions in parentheses) and answers
// the name without "tempdb..". A table of that name is dropped first. A failed CREATE raises.
std::string CreateTmpTable(db::Connection& connection, const std::string& columns);

// Drops the tempdb table `name` (with or without a leading "tempdb..", any case) when it
// exists. Never raises.
void DropTmpTable(db::Connection& connection, const std::string& name);

// A new GUID from the database, as text. Database errors reach the caller.
std::string GetNewGuid(db::Connection& connection);

}  // namespace corvane
