// tessary-cli convert and geocode: same rows as the engine the window drives, exit statuses,
// key lookup and outputs.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "coords/CoordinateRun.h"
#include "coords/Pacer.h"
#include "coords/RecordingListener.h"
#include "coords/SimControl.h"
#include "io/WorkbookReader.h"
#include "support/SimulatorTest.h"

namespace tessary {
namespace {

using testing::freshKey;
using testing::MapSim;
using testing::parseCsv;
using testing::RecordingListener;
using testing::requestLog;

class CoordinateCommandTest : public testing::CommandTest {};

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
  write("in.txt", "116.4,39.9\r\n117,40\r\n");
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
