#include "ratio_report.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace orbeta::bench {
namespace {

// Keeps the real time per iteration of every run while printing as usual.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int RunAndReportRatios(int argc, char** argv, const std::vector<Ratio>& ratios) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("\nRatios against the baseline of the same run:\n");
  for (const Ratio& ratio : ratios) {
    const auto measured = reporter.times.find(ratio.measured);
    const auto baseline = reporter.times.find(ratio.baseline);
    if (measured == reporter.times.end() || baseline == reporter.times.end() || baseline->second <= 0) continue;
    std::printf("  %-78s %6.2f x\n", ratio.label.c_str(), measured->second / baseline->second);
  }
  return 0;
}

}  // namespace orbeta::bench
