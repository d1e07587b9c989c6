// Workbook export (read back from the file) and coordinate import.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "coords/CoordinateJob.h"
#include "coords/RecordingListener.h"
#include "io/CoordinateImport.h"
#include "io/WorkbookExport.h"
#include "io/WorkbookReader.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::readSheet;
using testing::RecordingListener;

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/tessary-io-XXXXXX";
    path_ = mkdtemp(name);
  }
  ~TempFolder() { fs::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  fs::path path_;
};

std::vector<std::string> titlesOf(CoordinatePage page) {
  const auto& c = pageTexts(page).columns;
  return {c.begin(), c.end()};
}

TEST(ExportNameTest, AddsXlsUnlessTheNameEndsInIt) {
  struct Case {
    const char* typed;
    const char* saved;
  } cases[] = {
      {"/tmp/结果", "/tmp/结果.xls"},       {"/tmp/a.xls", "/tmp/a.xls"},
      {"/tmp/a.XLS", "/tmp/a.XLS"},         {"/tmp/a.Xls", "/tmp/a.Xls"},
      {"/tmp/a.xlsx", "/tmp/a.xlsx.xls"},   {"/tmp/a.txt", "/tmp/a.txt.xls"},
      {"/tmp/x.xls/a", "/tmp/x.xls/a.xls"}, {"xls", "xls.xls"},
  };
  for (const auto& c : cases) EXPECT_EQ(withXlsName(c.typed), c.saved);
  EXPECT_STREQ(kExportFilterDescription, "EXCEL文件");
  EXPECT_STREQ(kExportFilterPattern, "*.XLS");
}

TEST(ExportTest, EmptyListGivesTheTitleRowOnly) {
  TempFolder folder;
  RecordingListener listener;
  std::string path = folder.file("empty.xls");
  auto titles = titlesOf(CoordinatePage::ReverseGeocoding);
  ASSERT_TRUE(exportList(path, titles, {}, ExportPage::Coordinates, listener).ok);
  auto sheet = readSheet(path);
  EXPECT_EQ(sheet.rows, (std::vector<std::vector<std::string>>{titles}));
  EXPECT_TRUE(sheet.allText);
  EXPECT_TRUE(sheet.allTextFormat);
  EXPECT_EQ(listener.statuses(), (std::vector<std::string>{"-----正在导出-----", "-----导出完成！-----"}));
  EXPECT_EQ(listener.notices(), std::vector<std::string>{"导出完成！"});
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"empty.xls"}) << "no temporary file left";
}

TEST(ExportTest, EveryCellStaysTheTextTheListShows) {
  TempFolder folder;
  std::vector<Row> rows{
      {"1", "39.915119,116.404269", "39.91511912345678,116.40426987654321", "query ok"},
      {"2", "007", "1234567890123456789", "=1+1"},
      {"10", "1e5", "", "坐标错误"},
      {"11", "a<b>&\"c'", "模拟市坐标路39.9000,116.4000号", "0.10"},
  };
  auto titles = titlesOf(CoordinatePage::TencentConversion);
  std::string path = folder.file("rows.xls");
  ASSERT_TRUE(writeWorkbook(path, titles, rows).ok);
  auto sheet = readSheet(path);
  ASSERT_EQ(sheet.rows.size(), 5u);
  EXPECT_EQ(sheet.rows[0], titles);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(sheet.rows[i + 1], rows[i]);
  EXPECT_TRUE(sheet.allText);
  EXPECT_TRUE(sheet.allTextFormat);

  // The collection page's export reports with its own notice and no status lines.
  RecordingListener listener;
  ASSERT_TRUE(exportList(folder.file("places.xls"), {"编号", "标题", "地图坐标", "地址", "区域", "行业"},
                         {{"1", "t", "1,2", "a", "r", "i"}}, ExportPage::Collection, listener)
                  .ok);
  EXPECT_TRUE(listener.statuses().empty());
  EXPECT_EQ(listener.notices(), std::vector<std::string>{"导出成功!"});
}

TEST(ExportTest, FailureIsReportedAndLeavesNoFile) {
  TempFolder folder;
  auto titles = titlesOf(CoordinatePage::BaiduConversion);
  std::vector<Row> rows(2000, Row{"1", "116.404,39.915", "116.41,39.92", "完成"});

  // A folder that cannot be written to (a missing one: the tests may run as root, which
  // ignores read-only permissions).
  RecordingListener listener;
  std::string missing = folder.file("no-such-folder/out.xls");
  auto result = exportList(missing, titles, rows, ExportPage::Coordinates, listener);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find("导出失败"), std::string::npos);
  EXPECT_EQ(listener.notices(), std::vector<std::string>{result.message});
  EXPECT_EQ(listener.statuses().back(), "-----导出失败-----");
  EXPECT_FALSE(fs::exists(missing));

  // A full disk, played by a file size limit: the old file under the name survives.
  std::string path = folder.file("full.xls");
  { std::ofstream(path) << "previous"; }
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit tiny = saved;
  tiny.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &tiny);
  auto full = writeWorkbook(path, titles, rows);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(full.ok);
  EXPECT_NE(full.message.find("导出失败"), std::string::npos);
  std::ifstream in(path);
  std::string kept((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(kept, "previous");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"full.xls"});
}

TEST(ImportTest, DecodesGbkAndKeepsDigitLinesUnchanged) {
  TempFolder folder;
  std::string digits = "39.915119,116.404269\r\n-33.8,151.2\r\n";
  { std::ofstream(folder.file("digits.txt"), std::ios::binary) << digits; }
  auto got = importCoordinateFile(folder.file("digits.txt"));
  ASSERT_TRUE(got.ok);
  EXPECT_EQ(got.text, digits);

  // "北京,39.9" in GBK.
  { std::ofstream(folder.file("gbk.txt"), std::ios::binary) << "\xB1\xB1\xBE\xA9,39.9"; }
  got = importCoordinateFile(folder.file("gbk.txt"));
  ASSERT_TRUE(got.ok);
  EXPECT_EQ(got.text, "北京,39.9");

  { std::ofstream(folder.file("empty.txt")); }
  got = importCoordinateFile(folder.file("empty.txt"));
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.text, "");
}

TEST(ImportTest, UnreadableFileIsAnErrorNotAnEmptyBox) {
  TempFolder folder;
  for (const std::string& path : {folder.file("missing.txt"), folder.file("")}) {
    auto got = importCoordinateFile(path);
    EXPECT_FALSE(got.ok) << path;
    EXPECT_NE(got.message.find("无法读取文件"), std::string::npos);
  }
}

TEST(ImportTest, FiftyMegabytesImportQuickly) {
  TempFolder folder;
  std::string path = folder.file("big.txt");
  {
    std::ofstream out(path, std::ios::binary);
    std::string line = "39.915119,116.404269\r\n";
    for (std::size_t written = 0; written < (50u << 20); written += line.size()) out << line;
  }
  auto started = std::chrono::steady_clock::now();
  auto got = importCoordinateFile(path);
  auto took = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(got.ok);
  EXPECT_GE(got.text.size(), 50u << 20);
  EXPECT_LT(took, std::chrono::milliseconds(1500));
}

}  // namespace
}  // namespace tessary
