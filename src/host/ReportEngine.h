#pragma once
// A stand-in for the host's report engine, enough to see a detail report without the engine: it
// keeps a filter per report title, drives a data source as the engine does (properties, table
// name, filling) and reads the table back, which it then drops, as the table is the engine's.
//
// A filter is a list of conditions "column operator value", joined by "and": the column a plain
// name of the data source's table, the operator one of = <> < <= > >=, the value always a text
// literal. A report without a filter has none (SQLString Null).

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/ReportDataSource.h"

namespace corvane {

struct ReportCondition {
  std::string column;
  std::string op;
  std::string value;
};

// "column<op>value" read as a condition, the longest operator first; RuntimeError 5 when the text
// holds no operator or the column is no plain name.
ReportCondition ParseReportCondition(const std::string& text);

// A table read back: its column names and its rows, each value as text (Null as the empty text).
struct ReportTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

class ReportEngine final : public ReportManager {
 public:
  explicit ReportEngine(LoginContext& login) : login_(login) {}

  // Sets the filter of the report `title`. RuntimeError 5 for a column that is no plain name or
  // an operator outside the list.
  void setFilter(const std::string& title, std::vector<ReportCondition> conditions);
  std::unique_ptr<ReportFilter> ReportFilterByName(std::string& title) override;

  // Runs the report `title` from `source` on the login's account and answers its table. The
  // data source's errors reach the caller; the table is dropped after reading, or after a
  // failure to read it.
  ReportTable run(ReportDataSource& source, const std::string& title);

 private:
  LoginContext& login_;
  std::map<std::string, std::vector<ReportCondition>> filters_;
};

}  // namespace corvane
