#pragma once
// The indexes that keep an account of a million vouchers about as fast as a small one
// (schema/company/910_scale_indexes.sql). An account made before them gets them when a process
// first opens it.

#include <sqlite3.h>

#include <string>

namespace corvane::db {

// Makes the scale indexes that the company database open on `handle` lacks, once per company file
// (`companyFile`) per process; Connection::open runs it, and sets the handle's busy timeout after.
// An account that has them all is only read. Never raises and never waits: on a read-only file it
// does nothing, an index over a table the account lacks is left out, and while another connection
// writes the file the indexes are left to a later open.
void addMissingScaleIndexes(sqlite3* handle, const std::string& companyFile);

}  // namespace corvane::db
