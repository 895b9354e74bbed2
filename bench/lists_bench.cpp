// The site list's two hot paths: the navigation filter's lookup and the reading of a list file.
//   CheckSiteUrl against a plain scan of the same rows' domain cells, which any linear lookup
//   must at least pay; ReadGridFile against reading the same bytes without parsing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "lists/grid_file.h"
#include "lists/site_list.h"
#include "platform/atomic_file.h"
#include "ratio_report.h"

namespace {

using namespace orbeta;

std::string HostOf(int row) { return "site" + std::to_string(row) + ".example"; }

// A list of plain rows, each allowing one host.
void FillSiteList(int rows) {
  SiteList = GridTable(SiteRecord::ColumnCount, rows + 1);
  for (int row = 1; row <= rows; ++row) {
    SiteList.SetCell(SiteRecord::Name, row, "Site " + std::to_string(row));
    SiteList.SetCell(SiteRecord::Offered, row, ">");
    SiteList.SetCell(SiteRecord::Domain, row, HostOf(row));
    SiteList.SetCell(SiteRecord::HomePage, row, "http://" + HostOf(row) + "/");
  }
}

// The listed host stands near the end; the unlisted one makes the scan run through.
std::string Address(int rows, bool listed) {
  return listed ? "http://" + HostOf(rows - 1) + "/page.htm" : "http://unlisted.example/page.htm";
}

void BM_CheckSiteUrl(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  FillSiteList(rows);
  const std::string address = Address(rows, state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(CheckSiteUrl(address));
}

void BM_PlainDomainScan(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  FillSiteList(rows);
  const std::string host = state.range(1) ? HostOf(rows - 1) : "unlisted.example";
  for (auto _ : state) {
    int found = 0;
    for (int row = 1; row < SiteList.RowCount() && !found; ++row)
      if (SiteList.Cell(SiteRecord::Domain, row) == host) found = row;
    benchmark::DoNotOptimize(found);
  }
}

constexpr int kFileRows = 100000;

const std::string& ListFile() {
  static const std::string path = [] {
    FillSiteList(kFileRows);
    std::string file = "/tmp/orbeta-bench-" + std::to_string(::getpid()) + ".edn";
    WriteGridFile(SiteList, file);
    std::atexit([] { std::remove(ListFile().c_str()); });
    return file;
  }();
  return path;
}

void BM_ReadGridFile(benchmark::State& state) {
  GridTable table(SiteRecord::ColumnCount, 1);
  for (auto _ : state) {
    table.ResizeRows(1);
    ReadGridFile(table, ListFile());
    benchmark::DoNotOptimize(table.RowCount());
  }
}

void BM_ReadBytes(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadWholeFile(ListFile()));
}

BENCHMARK(BM_CheckSiteUrl)->ArgsProduct({{100, 1000, 100000}, {1, 0}});
BENCHMARK(BM_PlainDomainScan)->ArgsProduct({{100, 1000, 100000}, {1, 0}});
BENCHMARK(BM_ReadGridFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::vector<orbeta::bench::Ratio> ratios;
  for (int rows : {100, 1000, 100000})
    for (int listed : {1, 0}) {
      const std::string args = "/" + std::to_string(rows) + "/" + std::to_string(listed);
      ratios.push_back({"BM_CheckSiteUrl" + args, "BM_PlainDomainScan" + args,
                        std::string("CheckSiteUrl, ") + (listed ? "listed host near the end, " : "unlisted host, ") +
                            std::to_string(rows) + " rows, vs plain domain scan"});
    }
  ratios.push_back({"BM_ReadGridFile", "BM_ReadBytes",
                    "ReadGridFile, " + std::to_string(kFileRows) + " rows, vs reading the bytes"});
  return orbeta::bench::RunAndReportRatios(argc, argv, ratios);
}
