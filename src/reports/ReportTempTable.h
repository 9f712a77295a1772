#pragma once
// A table a report builds in tempdb for itself: made under a new name when the report asks for
// it and dropped when the report ends, after success and after an error alike.

#include <string>

namespace corvane {

namespace db {
class Connection;
}

class ReportTempTable {
 public:
  // Creates tempdb..<new name> with `columns` (the column definitions in parentheses). A failed
  // CREATE raises, and nothing is left to drop.
  ReportTempTable(db::Connection& connection, const std::string& columns);
  ~ReportTempTable();
  ReportTempTable(const ReportTempTable&) = delete;
  ReportTempTable& operator=(const ReportTempTable&) = delete;

  // "tempdb..<name>", for the report's statements.
  std::string fullName() const;

 private:
  db::Connection& connection_;
  std::string name_;
};

}  // namespace corvane
