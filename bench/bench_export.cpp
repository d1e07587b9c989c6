// 100,000 rows of 4 columns written to a workbook: wall time and peak memory.
// Usage: bench_export [ROWS] [PATH]   (defaults 100000, a file in /tmp)

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "io/WorkbookExport.h"

using namespace tessary;

namespace {
long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv) {
  std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  std::string path = argc > 2 ? argv[2] : "/tmp/tessary-bench-export-" + std::to_string(getpid()) + ".xls";

  std::vector<Row> rows;
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char source[48], result[48];
    std::snprintf(source, sizeof source, "%.6f,%.6f", 39.9 + i * 1e-6, 116.4 + i * 1e-6);
    std::snprintf(result, sizeof result, "%.6f,%.6f", 39.901 + i * 1e-6, 116.402 + i * 1e-6);
    rows.push_back({std::to_string(i + 1), source, result, "query ok"});
  }
  long before = peakKilobytes();
  auto started = std::chrono::steady_clock::now();
  ExportResult result = writeWorkbook(path, {"编号", "待转换坐标", "转换后坐标", "状态"}, rows);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  long after = peakKilobytes();
  if (!result.ok) {
    std::fprintf(stderr, "%s\n", result.message.c_str());
    return 1;
  }
  std::error_code ec;
  auto bytes = std::filesystem::file_size(path, ec);
  std::printf("%zu rows x 4 columns -> %s (%.1f MB)\n", count, path.c_str(), bytes / 1e6);
  std::printf("wall time: %.2f s\n", seconds);
  std::printf("peak memory: %.1f MB (list in memory before the export: %.1f MB)\n", after / 1024.0, before / 1024.0);
  if (argc <= 2) std::filesystem::remove(path, ec);
  return 0;
}
