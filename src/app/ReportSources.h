#pragma once
// The module's report data sources by ProgID, for the host's report engine.

#include <memory>
#include <string_view>

#include "host/ReportDataSource.h"

namespace corvane {

// A new data source of ProgID `progId` ("Corvane.CReportJKTJ" loans, "Corvane.CReportSZTJ"
// claims), compared without regard to case. RuntimeError 429 ("Class not registered: <progId>")
// for any other ProgID.
std::unique_ptr<ReportDataSource> CreateReportDataSource(std::string_view progId);

}  // namespace corvane
