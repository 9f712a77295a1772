#pragma once
// What the two report data sources share: the table name, the filling of the table under the
// report's filter and the user's rights, and the engine's fixed answers. A data source states
// only the head table of its vouchers and the SELECT of its rows.
//
// MoveDataDetail sets the request's locale from the login object first, so that the yes and no
// texts of the table are the user's; it then opens mconn from MConnectionString when the engine
// set none, drops a table of the current name and fills "tempdb..<name>" with the rows of
// vouchers within the user's data rights that pass the filter (the filter's condition as a whole,
// in parentheses) and, for a user whose rights restrict the users, whose maker, approver and
// ledger-voucher maker are all among those users. The table is left for the engine, recorded
// (RecordTmpTable) so that one the engine never drops is swept once it is a day old. Without a
// login object it raises RuntimeError 91; database errors reach the engine.

#include <string>

#include "host/ReportDataSource.h"

namespace corvane {

class DetailDataSource : public ReportDataSource {
 public:
  std::string TempTablename() override;
  std::string strSubTitle() override { return {}; }
  bool MoveDataDetail() override;
  bool OnValidateFilter() override { return true; }

 protected:
  // The head table of the vouchers ("kx_loanvouch", "kx_expenvouch").
  virtual std::string headTable() const = 0;
  // "select <columns> from <lines and joins>", the heads read from `heads` (aliased kx_vch by
  // the text itself), the items from `items`; `yes` and `no` are the texts' literals.
  virtual std::string rowsQuery(const std::string& heads, const std::string& items, const std::string& yes,
                                const std::string& no) const = 0;

 private:
  std::string tableName_;
};

}  // namespace corvane
