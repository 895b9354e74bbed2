// Runs the registered benchmarks and prints each measured one as a ratio against the
// baseline benchmark named beside it, measured in the same run.
#pragma once

#include <string>
#include <vector>

namespace orbeta::bench {

struct Ratio {
  std::string measured;  // benchmark name
  std::string baseline;  // benchmark name
  std::string label;     // what the ratio says, e.g. "CheckSiteUrl, listed host, 1000 rows"
};

// Returns the process exit status.
int RunAndReportRatios(int argc, char** argv, const std::vector<Ratio>& ratios);

}  // namespace orbeta::bench
