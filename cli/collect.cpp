// tessary-cli collect: the collection page on the command line. Cities and keywords come from
// options or files (one a line); the list goes out as CSV or a workbook with the page's six
// columns.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "Command.h"
#include "RunOutput.h"
#include "collect/CollectionJob.h"
#include "io/WorkbookExport.h"
#include "net/TextServices.h"

namespace tessary::cli {
namespace {

constexpr const char* kUsage =
    "collect [--service baidu|amap|tencent] (--city TEXT... | --cities FILE) "
    "(--keyword TEXT... | --keywords FILE) [-o FILE.xls|FILE.csv] [--key KEY]";

std::atomic<bool> g_interrupted{false};
void onInterrupt(int) { g_interrupted = true; }

bool endsWithLetters(const std::string& name, const std::string& tail) {
  if (name.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(name[name.size() - tail.size() + i])) != tail[i])
      return false;
  return true;
}

// A file's lines as UTF-8 (a file that is not UTF-8 is taken as local text); false when it
// cannot be read.
bool readLinesFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  text += isValidUtf8(bytes) ? bytes : localToUtf8(bytes);
  text += "\n";
  return true;
}

// Failures and skipped cities as lines on standard error; on a terminal also one progress
// line kept up to date.
class CollectProgress : public CollectionListener {
 public:
  explicit CollectProgress(bool terminal) : terminal_(terminal) {}

  void rowsAdded(std::size_t, const std::vector<Row>&) override {}
  void statusText(const std::string& text) override {
    std::lock_guard lock(mutex_);
    status_ = text;
    // The running text only frames the run; a failure's message was written with its place.
    if (text != CollectTexts::running && text != lastFailure_) line(text);
    draw(true);
  }
  void notice(const std::string& text) override {
    std::lock_guard lock(mutex_);
    if (text != CollectTexts::completedNotice && text != status_) line(text);
  }
  void finished(bool) override {
    std::lock_guard lock(mutex_);
    if (terminal_) std::fputs("\r\033[K", stderr);
  }
  void progress(const std::string& city, const std::string& keyword, int page) override {
    std::lock_guard lock(mutex_);
    city_ = city;
    keyword_ = keyword;
    page_ = page;
    draw(false);
  }
  void collectedCount(std::size_t count) override {
    std::lock_guard lock(mutex_);
    collected_ = count;
    draw(false);
  }
  void requestFailed(const std::string& city, const std::string& keyword, int page,
                     const std::string& message) override {
    std::lock_guard lock(mutex_);
    lastFailure_ = message;
    std::string where = keyword.empty() ? city + " 城市查询"
                                        : city + " / " + keyword + " / 第" + std::to_string(page) + "页";
    line(where + "：" + message);
  }

 private:
  void line(const std::string& text) {
    if (terminal_) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "%s\n", text.c_str());
    draw(true);
  }
  void draw(bool force) {
    if (!terminal_ || page_ == 0) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - drawn_ < std::chrono::milliseconds(100)) return;
    drawn_ = now;
    std::fprintf(stderr, "\r%s / %s / 第%d页  已采集 %zu\033[K", city_.c_str(), keyword_.c_str(),
                 page_, collected_);
    std::fflush(stderr);
  }

  const bool terminal_;
  std::mutex mutex_;
  std::string city_, keyword_, status_, lastFailure_;
  int page_ = 0;
  std::size_t collected_ = 0;
  std::chrono::steady_clock::time_point drawn_{};
};

int collectMain(const std::vector<std::string>& args) {
  MapSource source = MapSource::Baidu;
  std::string cities, keywords, output, key;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool known = a == "--service" || a == "--city" || a == "--keyword" || a == "--cities" ||
                 a == "--keywords" || a == "-o" || a == "--key";
    if (!known) {
      std::fprintf(stderr, "unknown option: %s\nusage: tessary-cli %s\n", a.c_str(), kUsage);
      return 2;
    }
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "missing value after %s\n", a.c_str());
      return 2;
    }
    const std::string& value = args[++i];
    if (a == "--service") {
      auto chosen = sourceFromName(value);
      if (!chosen) {
        std::fprintf(stderr, "--service takes baidu, amap or tencent\n");
        return 2;
      }
      source = *chosen;
    } else if (a == "--city") {
      cities += value + "\n";
    } else if (a == "--keyword") {
      keywords += value + "\n";
    } else if (a == "--cities" || a == "--keywords") {
      if (!readLinesFile(value, a == "--cities" ? cities : keywords)) {
        std::fprintf(stderr, "无法读取文件“%s”\n", value.c_str());
        return 2;
      }
    } else if (a == "-o") {
      output = value;
    } else {
      key = value;
    }
  }
  if (source == MapSource::Tencent) key = resolveKey(key, "TESSARY_TENCENT_KEY", "tencent");

  CollectProgress progress(isatty(STDERR_FILENO) == 1);
  CollectionJob job(progress);
  if (std::string refused = job.start(source, cities, keywords, key); !refused.empty()) {
    std::fprintf(stderr, "%s\n", refused.c_str());
    return 2;
  }
  // Ctrl-C stops the run like the stop button; the places collected so far are still written.
  auto previous = std::signal(SIGINT, onInterrupt);
  while (job.running()) {
    if (g_interrupted) job.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  job.wait();
  std::signal(SIGINT, previous);

  std::vector<std::string> titles(kPlaceColumns.begin(), kPlaceColumns.end());
  std::vector<Row> rows = job.rows();
  if (output.empty() || output == "-") {
    std::string csv = csvText(titles, rows);
    if (std::fwrite(csv.data(), 1, csv.size(), stdout) != csv.size() || std::fflush(stdout) != 0) {
      std::fprintf(stderr, "cannot write the results to standard output\n");
      return 1;
    }
  } else if (endsWithLetters(output, ".xls") || endsWithLetters(output, ".xlsx")) {
    ExportResult result = writeWorkbook(output, titles, rows);
    if (!result.ok) {
      std::fprintf(stderr, "%s\n", result.message.c_str());
      return 1;
    }
  } else {
    // A byte-order mark lets spreadsheets open the file as UTF-8.
    std::string csv = "\xEF\xBB\xBF" + csvText(titles, rows);
    std::FILE* out = std::fopen(output.c_str(), "wb");
    bool written = out && std::fwrite(csv.data(), 1, csv.size(), out) == csv.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) {
      std::fprintf(stderr, "导出失败：无法写入“%s”\n", output.c_str());
      return 1;
    }
  }
  CollectStats stats = job.stats();
  return (stats.stopped || stats.keyRefused || stats.failedRequests > 0) ? 1 : 0;
}

CommandRegistration registration("collect", kUsage, collectMain);

}  // namespace
}  // namespace tessary::cli
