#pragma once
// Query results as text, for tests that compare what a change wrote with what they expect.

#include <string>

#include "platform/db/Connection.h"

namespace corvane {

// Every record of `query` on `connection`: its columns joined by "|" (Null as "-"), each record
// ended by ";". An empty text when there is no record.
std::string QueryRowsText(db::Connection& connection, const std::string& query);

// The first column of the first record of `query` on `connection`, as text; empty when there is
// no record or the value is Null.
std::string QueryScalar(db::Connection& connection, const std::string& query);

}  // namespace corvane
