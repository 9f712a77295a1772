#pragma once
// What the benches' reporters share: the usual console table, and the time of each benchmark of
// the run by name (the median when the run repeats them; without a fixed count of iterations), in
// the benchmark's own unit, for what a bench prints at the end.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace corvane::bench {

class RunTimesReporter : public benchmark::ConsoleReporter {
 public:
  enum class Clock { Real, Processor };
  explicit RunTimesReporter(Clock clock) : clock_(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      std::string name = run.benchmark_name();
      if (const std::size_t suffix = name.rfind("_median"); suffix != std::string::npos) name.erase(suffix);
      // A count of iterations set for the run is no part of the name others are compared by.
      if (const std::size_t suffix = name.rfind("/iterations:"); suffix != std::string::npos) name.erase(suffix);
      times_[name] = clock_ == Clock::Real ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    }
  }

 protected:
  const std::map<std::string, double>& times() const { return times_; }
  // The time of the benchmark `name`; 0 when it did not run.
  double timeOf(const std::string& name) const {
    const auto found = times_.find(name);
    return found == times_.end() ? 0 : found->second;
  }

 private:
  Clock clock_;
  std::map<std::string, double> times_;
};

}  // namespace corvane::bench
