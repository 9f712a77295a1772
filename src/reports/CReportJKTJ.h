#pragma once
// The loan detail data source of the host's report engine: one row per loan line of the vouchers
// within the user's rights, with the head's codes and names, the line's settlement and banks, its
// open amount `dbllack` (0 for a line of no amount) and yes/no columns for the approver, the
// ledger-voucher maker, the line's settlement and the budget's verdict.

#include "reports/DetailDataSource.h"

namespace corvane {

class CReportJKTJ final : public DetailDataSource {
 protected:
  std::string headTable() const override { return "kx_loanvouch"; }
  std::string rowsQuery(const std::string& heads, const std::string& items, const std::string& yes,
                        const std::string& no) const override;
};

}  // namespace corvane
