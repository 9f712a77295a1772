#pragma once
// The claim detail data source of the host's report engine: one row per claim line of the
// vouchers within the user's rights (lines of other vouchers are left out), with the head's codes
// and names, the claimant's grade, the line's place and its grade, transport tool and income or
// expense item, and yes/no columns for the approver, the ledger-voucher maker, the budget's
// verdict and the submission.

#include "reports/DetailDataSource.h"

namespace corvane {

class CReportSZTJ final : public DetailDataSource {
 protected:
  std::string headTable() const override { return "kx_expenvouch"; }
  std::string rowsQuery(const std::string& heads, const std::string& items, const std::string& yes,
                        const std::string& no) const override;
};

}  // namespace corvane
