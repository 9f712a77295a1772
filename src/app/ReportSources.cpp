#include "app/ReportSources.h"

#include <string>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "reports/CReportJKTJ.h"
#include "reports/CReportSZTJ.h"

namespace corvane {

namespace {

template <class T>
std::unique_ptr<ReportDataSource> make() {
  return std::make_unique<T>();
}

struct SourceEntry {
  std::string_view progId;
  std::unique_ptr<ReportDataSource> (*create)();
};

// One line per data source.
constexpr SourceEntry kSources[] = {
    {"Corvane.CReportJKTJ", make<CReportJKTJ>},
    {"Corvane.CReportSZTJ", make<CReportSZTJ>},
};

}  // namespace

std::unique_ptr<ReportDataSource> CreateReportDataSource(std::string_view progId) {
  for (const SourceEntry& entry : kSources) {
    if (equalsIgnoringCase(entry.progId, progId)) return entry.create();
  }
  throw RuntimeError(errnum::kClassNotRegistered, "Class not registered: " + std::string(progId));
}

}  // namespace corvane
