#pragma once
// The record of the tables made in an account's shared tempdb: each with the time it was made
// (tempdb.ScratchTableBirth: cName, dCreated as UTC "yyyy-mm-dd hh:mm:ss"). Whoever makes a table
// drops it when its use ends. A table whose drop never ran (its request was killed, or tempdb was
// busy when the request ended) and a table handed to another component that may never drop it
// (a report data source's table, which the report engine reads) are swept when the account is
// next opened, once they are a day old.

#include <string_view>

namespace corvane::db {

class Connection;

// Records the tempdb table `name` (without "tempdb.") as made now, inside the transaction open on
// `connection`, if any, so that a rollback forgets it with the table. An account made before the
// record existed gets it here. Database errors raise as a statement's do.
void recordScratchTable(Connection& connection, std::string_view name);

// Forgets the record of `name`, whose table is dropped. Never raises: a record left behind goes
// with the sweep of its day.
void forgetScratchTable(Connection& connection, std::string_view name);

// Drops the recorded tables made more than a day ago and forgets them; Connection::open runs it.
// Never raises and never waits: while another connection writes tempdb, or when tempdb cannot be
// written, the tables are left to a later open.
void sweepStaleScratchTables(Connection& connection);

}  // namespace corvane::db
