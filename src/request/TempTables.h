#pragma once
// Tables that reports and the ledger-voucher maker build in the account's shared tempdb, under
// names unique to each call, and new GUIDs from the database. A table is recorded when it is made
// and dropped when its use ends; one left behind is swept once it is a day old.

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

// Creates tempdb..<new name> with `columns` (the column definitions in parentheses), records it
// (RecordTmpTable) and answers the name without "tempdb..". A table of that name is dropped
// first. A failed CREATE raises.
std::string CreateTmpTable(db::Connection& connection, const std::string& columns);

// Records the tempdb table `name` (with or without a leading "tempdb..", any case) as made now,
// inside the connection's transaction if one is open, so that it is swept once a day old when
// its drop never runs (db::recordScratchTable). Database errors reach the caller.
void RecordTmpTable(db::Connection& connection, const std::string& name);

// Drops the tempdb table `name` (with or without a leading "tempdb..", any case) when it
// exists, and forgets its record. Never raises: a table that cannot be dropped keeps its record.
void DropTmpTable(db::Connection& connection, const std::string& name);

// A new GUID from the database, as text. Database errors reach the caller.
std::string GetNewGuid(db::Connection& connection);

}  // namespace corvane
