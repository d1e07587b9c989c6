#include "RunOutput.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <thread>

#include "io/CoordinateImport.h"
#include "io/WorkbookExport.h"
#include "net/TextServices.h"

namespace tessary::cli {

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) {
  g_interrupted = true;
}

std::string trim(std::string s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && blank(s[i])) ++i;
  return s.substr(i);
}

bool sameLetters(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string keysIniPath() {
  if (const char* set = std::getenv("TESSARY_KEYS_INI"); set && *set) return set;
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "keys.ini";
  return (exe.parent_path() / "keys.ini").string();
}

bool endsWithLetters(const std::string& name, const std::string& tail) {
  return name.size() >= tail.size() && sameLetters(name.substr(name.size() - tail.size()), tail);
}

// Counts handled rows and keeps one progress line on a terminal's standard error.
class ProgressLine : public RunListener {
 public:
  explicit ProgressLine(bool show) : show_(show) {}
  void rowsAdded(std::size_t first, const std::vector<Row>& rows) override {
    std::lock_guard lock(mutex_);
    total_ = first + rows.size();
    draw(false);
  }
  void rowChanged(std::size_t, const Row&) override {
    std::lock_guard lock(mutex_);
    ++handled_;
    draw(false);
  }
  void statusText(const std::string& text) override {
    std::lock_guard lock(mutex_);
    status_ = text;
    draw(true);
  }
  void notice(const std::string& text) override {
    std::lock_guard lock(mutex_);
    notices_.push_back(text);
  }
  void finished(bool) override {
    std::lock_guard lock(mutex_);
    draw(true);
    if (show_) std::fputc('\n', stderr);
  }
  std::vector<std::string> notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
  }

 private:
  void draw(bool force) {
    if (!show_) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - drawn_ < std::chrono::milliseconds(100)) return;
    drawn_ = now;
    std::fprintf(stderr, "\r%s %zu/%zu\033[K", status_.c_str(), handled_, total_);
    std::fflush(stderr);
  }

  const bool show_;
  mutable std::mutex mutex_;
  std::size_t total_ = 0;
  std::size_t handled_ = 0;
  std::string status_;
  std::vector<std::string> notices_;
  std::chrono::steady_clock::time_point drawn_{};
};

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::optional<std::string> readIniKey(const std::string& path, const std::string& section) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      auto close = line.find(']');
      inSection = close != std::string::npos && sameLetters(trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    auto eq = line.find('=');
    if (eq == std::string::npos || !sameLetters(trim(line.substr(0, eq)), "key")) continue;
    std::string value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return localToUtf8(value);
  }
  return std::nullopt;
}

std::string resolveKey(const std::string& given, const char* environmentName, const char* section) {
  if (!given.empty()) return given;
  if (const char* env = std::getenv(environmentName); env && *env) return env;
  return readIniKey(keysIniPath(), section).value_or("");
}

std::string csvText(const std::vector<std::string>& titles, const std::vector<Row>& rows) {
  std::string out;
  auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i) out += ',';
      out += csvField(cells[i]);
    }
    out += "\r\n";
  };
  line(titles);
  for (const auto& row : rows) line(row);
  return out;
}

bool parseCommonOptions(const std::vector<std::string>& args, CoordinateCommand& command,
                        std::vector<std::pair<std::string, std::string>>& extra, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool takesValue = a == "-i" || a == "-o" || a == "--key" || a == "--from" || a == "--to";
    if (!takesValue) {
      error = "unknown option: " + a;
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "missing value after " + a;
      return false;
    }
    const std::string& value = args[++i];
    if (a == "-i")
      command.input = value;
    else if (a == "-o")
      command.output = value;
    else if (a == "--key")
      command.key = value;
    else
      extra.emplace_back(a, value);
  }
  return true;
}

int runCoordinateCommand(const CoordinateCommand& command) {
  std::string text;
  if (command.input.empty() || command.input == "-") {
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    // A terminal or pipe normally carries UTF-8; anything else is taken as local text.
    text = isValidUtf8(bytes) ? std::move(bytes) : localToUtf8(bytes);
  } else {
    ImportResult imported = importCoordinateFile(command.input);
    if (!imported.ok) {
      std::fprintf(stderr, "%s\n", imported.message.c_str());
      return 2;
    }
    text = std::move(imported.text);
  }

  ProgressLine progress(isatty(STDERR_FILENO) == 1);
  CoordinateRun run(command.page, progress);
  RunOptions options;
  options.sourceCode = command.sourceCode;
  options.key = command.key;
  if (std::string refused = run.start(std::move(text), options); !refused.empty()) {
    std::fprintf(stderr, "%s\n", refused.c_str());
    return 2;
  }
  // Ctrl-C stops the run like the stop button; the rows handled so far are still written.
  auto previous = std::signal(SIGINT, onInterrupt);
  while (run.running()) {
    if (g_interrupted) run.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  run.wait();
  std::signal(SIGINT, previous);

  const auto& columns = pageTexts(command.page).columns;
  std::vector<std::string> titles(columns.begin(), columns.end());
  std::vector<CoordinateJob> jobs = run.jobs();
  std::vector<Row> rows;
  rows.reserve(jobs.size());
  bool allGood = !run.status().empty() && run.status() == pageTexts(command.page).completed;
  for (const auto& job : jobs) {
    rows.push_back(job.cells());
    allGood = allGood && job.succeeded;
  }

  if (command.output.empty() || command.output == "-") {
    std::string csv = csvText(titles, rows);
    if (std::fwrite(csv.data(), 1, csv.size(), stdout) != csv.size() || std::fflush(stdout) != 0) {
      std::fprintf(stderr, "cannot write the results to standard output\n");
      return 1;
    }
  } else if (endsWithLetters(command.output, ".xls") || endsWithLetters(command.output, ".xlsx")) {
    ExportResult result = writeWorkbook(command.output, titles, rows);
    if (!result.ok) {
      std::fprintf(stderr, "%s\n", result.message.c_str());
      return 1;
    }
  } else {
    // A byte-order mark lets spreadsheets open the file as UTF-8.
    std::string csv = "\xEF\xBB\xBF" + csvText(titles, rows);
    std::FILE* out = std::fopen(command.output.c_str(), "wb");
    bool written = out && std::fwrite(csv.data(), 1, csv.size(), out) == csv.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) {
      std::fprintf(stderr, "导出失败：无法写入“%s”\n", command.output.c_str());
      return 1;
    }
  }
  return allGood ? 0 : 1;
}

}  // namespace tessary::cli
