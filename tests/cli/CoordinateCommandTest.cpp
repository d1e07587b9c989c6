// tessary-cli convert and geocode: same rows as the engine the window drives, exit statuses,
// key lookup and outputs.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "coords/CoordinateRun.h"
#include "coords/Pacer.h"
#include "coords/RecordingListener.h"
#include "coords/SimControl.h"
#include "io/WorkbookReader.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::freshKey;
using testing::MapSim;
using testing::RecordingListener;
using testing::requestLog;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class CoordinateCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim_ = std::make_unique<MapSim>();
    sim_->becomeServiceBase();
  }
  static void TearDownTestSuite() { sim_.reset(); }

  void SetUp() override {
    char name[] = "/tmp/tessary-cli-XXXXXX";
    dir_ = mkdtemp(name);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string file(const std::string& name) const { return (dir_ / name).string(); }

  // Runs tessary-cli with `args`, feeding `input` on standard input. `env` is put before the
  // command as NAME=value words; the keys file and key variables are cleared unless given.
  Outcome cli(const std::string& args, const std::string& input, const std::string& env = "") {
    { std::ofstream(file("stdin"), std::ios::binary) << input; }
    std::string command = "env -u TESSARY_TENCENT_KEY -u TESSARY_BAIDU_KEY TESSARY_KEYS_INI=" + file("none.ini") +
                          " TESSARY_SERVICE_BASE=" + sim_->base() + " " + env + " " TESSARY_CLI_PATH " " + args + " <" +
                          file("stdin") + " >" + file("stdout") + " 2>" + file("stderr");
    Outcome o;
    int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = slurp(file("stdout"));
    o.err = slurp(file("stderr"));
    return o;
  }

  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  static std::unique_ptr<MapSim> sim_;
  fs::path dir_;
};

std::unique_ptr<MapSim> CoordinateCommandTest::sim_;

// Minimal CSV reading for the tool's own output.
std::vector<Row> parseCsv(const std::string& text) {
  std::vector<Row> rows;
  Row row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\r') {
    } else if (c == '\n') {
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
    } else {
      field += c;
    }
  }
  return rows;
}

TEST_F(CoordinateCommandTest, RowsMatchTheEngineTheWindowDrives) {
  const std::string input = "39.9,116.4\r\n\r\n 40.1,116.5 \r\nnot,a point\r\n95,116\r\n";
  struct Case {
    const char* args;
    CoordinatePage page;
    int code;
  } cases[] = {
      {"convert --to tencent --from mapbar", CoordinatePage::TencentConversion, 4},
      {"convert --to tencent", CoordinatePage::TencentConversion, 5},
      {"convert --to baidu --from gps", CoordinatePage::BaiduConversion, 1},
      {"geocode", CoordinatePage::ReverseGeocoding, 0},
  };
  for (const auto& c : cases) {
    std::string key = freshKey();
    RecordingListener listener;
    CoordinateRun run(c.page, listener);
    RunOptions options;
    options.key = key + "-engine";
    options.sourceCode = c.code;
    ASSERT_EQ(run.start(input, options), "");
    run.wait();
    std::vector<Row> expected{Row(pageTexts(c.page).columns.begin(), pageTexts(c.page).columns.end())};
    for (const auto& row : run.rows()) expected.push_back(row);

    Outcome o = cli(std::string(c.args) + " --key " + key, input);
    EXPECT_EQ(o.status, 1) << c.args << ": two lines fail";
    EXPECT_EQ(parseCsv(o.out), expected) << c.args;
    EXPECT_EQ(o.err.find(key), std::string::npos) << "keys never reach the console";
  }
}

TEST_F(CoordinateCommandTest, ExitStatusesAndMessages) {
  struct Case {
    std::string args;
    std::string input;
    int status;
    std::string err;  // expected on standard error ("" : not checked)
  } cases[] = {
      {"convert --to tencent --key k", "39.9,116.4\n", 0, ""},
      {"geocode --key k", "39.9,116.4\n", 0, ""},
      {"convert --to tencent --key k", "\n  \n", 2, "请确保已正确输入坐标与腾讯密钥，若没有密钥可申请密钥！\n"},
      {"convert --to baidu", "116.4,39.9\n", 2, "请确保已正确输入坐标与百度密钥，若无密钥可点申请密钥！\n"},
      {"geocode --key k", "", 2, "请先输入要解析的坐标\n"},
      {"geocode", "39.9,116.4\n", 2, "请确保已正确输入坐标与腾讯密钥，若没有密钥可申请密钥！\n"},
      {"convert --to baidu --from sogou --key k", "1,2\n", 2, ""},
      {"convert --from gps --key k", "1,2\n", 2, ""},
      {"convert --to tencent --key k -i " + file("missing.txt"), "", 2, ""},
      {"geocode --key k --bogus", "1,2\n", 2, ""},
  };
  for (const auto& c : cases) {
    Outcome o = cli(c.args, c.input);
    EXPECT_EQ(o.status, c.status) << c.args;
    if (!c.err.empty()) {
      EXPECT_EQ(o.err, c.err) << c.args;
    }
    if (c.status == 2) {
      EXPECT_EQ(o.out, "") << c.args;
    }
  }
}

TEST_F(CoordinateCommandTest, KeyComesFromOptionThenEnvironmentThenKeysFile) {
  std::string iniKey = freshKey("ini"), envKey = freshKey("env"), optionKey = freshKey("opt");
  // keys.ini holds GBK text; the Baidu section must not be taken for the Tencent key.
  {
    std::ofstream ini(file("keys.ini"), std::ios::binary);
    ini << "; keys\r\n[baidu]\r\nkey=wrong\r\n[Tencent]\r\nKey = " << iniKey << "\r\n";
  }
  std::string withIni = "TESSARY_KEYS_INI=" + file("keys.ini");
  EXPECT_EQ(cli("geocode", "39.9,116.4\n", withIni).status, 0);
  EXPECT_EQ(requestLog(*sim_, iniKey).size(), 1u);
  EXPECT_EQ(cli("geocode", "39.9,116.4\n", withIni + " TESSARY_TENCENT_KEY=" + envKey).status, 0);
  EXPECT_EQ(requestLog(*sim_, envKey).size(), 1u);
  EXPECT_EQ(cli("geocode --key " + optionKey, "39.9,116.4\n", withIni + " TESSARY_TENCENT_KEY=" + envKey).status, 0);
  EXPECT_EQ(requestLog(*sim_, optionKey).size(), 1u);
  EXPECT_EQ(requestLog(*sim_, envKey).size(), 1u);
}

TEST_F(CoordinateCommandTest, WritesWorkbooksAndCsvFiles) {
  { std::ofstream(file("in.txt"), std::ios::binary) << "116.4,39.9\r\n117,40\r\n"; }
  Outcome o = cli("convert --to baidu --key k -i " + file("in.txt") + " -o " + file("out.XLS"), "");
  ASSERT_EQ(o.status, 0) << o.err;
  auto sheet = testing::readSheet(file("out.XLS"));
  EXPECT_EQ(sheet.rows, (std::vector<std::vector<std::string>>{
                            {"编号", "待转换坐标", "转换后坐标", "状态"},
                            {"1", "116.4,39.9", "116.409500000,39.909000000", "完成"},
                            {"2", "117,40", "117.009500000,40.009000000", "完成"},
                        }));
  EXPECT_TRUE(sheet.allTextFormat);

  o = cli("convert --to baidu --key k -i " + file("in.txt") + " -o " + file("out.csv"), "");
  ASSERT_EQ(o.status, 0);
  std::string csv = slurp(file("out.csv"));
  ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_EQ(parseCsv(csv.substr(3)), (std::vector<Row>{
                                         {"编号", "待转换坐标", "转换后坐标", "状态"},
                                         {"1", "116.4,39.9", "116.409500000,39.909000000", "完成"},
                                         {"2", "117,40", "117.009500000,40.009000000", "完成"},
                                     }));

  o = cli("convert --to baidu --key k -o " + file("no/such/folder/out.xls"), "116.4,39.9\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("导出失败"), std::string::npos);
}

}  // namespace
}  // namespace tessary
