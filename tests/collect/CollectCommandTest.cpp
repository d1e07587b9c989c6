// tessary-cli collect: the same list as the engine the window drives, its inputs, outputs and
// exit statuses.

#include <gtest/gtest.h>

#include "collect/PlaceSim.h"
#include "io/WorkbookReader.h"
#include "net/TextServices.h"
#include "support/SimulatorTest.h"

namespace tessary {
namespace {

using testing::configureTag;
using testing::freshWord;
using testing::MapSim;
using testing::parseCsv;

class CollectCommandTest : public testing::CommandTest {
 protected:
  Outcome collect(const std::string& args) { return cli("collect " + args); }
};

TEST_F(CollectCommandTest, CitiesAndKeywordsFromOptionsAndFilesGiveTheListAsCsv) {
  const std::string a = freshWord("茶", 12), b = freshWord("书", 3);
  write("keywords.txt", utf8ToLocal(a + "\r\n\r\n" + b + "\r\n"));  // local text, as users save it
  Outcome o = collect("--service baidu --city 北京 --city '无名城' --keywords " + file("keywords.txt"));
  EXPECT_EQ(o.status, 0) << o.err;
  auto rows = parseCsv(o.out);
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[0], (Row{"编号", "标题", "地图坐标", "地址", "区域", "行业"}));
  EXPECT_EQ(rows[1][0], "1");
  EXPECT_EQ(rows[1][1], "北京" + a.substr(0, a.find('#')) + "1号店");
  EXPECT_EQ(rows[1][4], "北京");
  EXPECT_EQ(rows[15][0], "15");
  EXPECT_NE(o.err.find("未找到城市，已跳过：无名城"), std::string::npos) << o.err;
}

TEST_F(CollectCommandTest, ExitStatusesAndTheWorkbook) {
  // Could not start: the page's message and status 2, nothing on standard output.
  Outcome refused = collect("--service amap --keyword x");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("请先选择城市输入关键词"), std::string::npos);
  EXPECT_TRUE(refused.out.empty());
  Outcome noKey = collect("--service tencent --city 上海 --keyword x");
  EXPECT_EQ(noKey.status, 2);
  EXPECT_NE(noKey.err.find("请先输入城市名/关键词/密钥"), std::string::npos);
  EXPECT_EQ(collect("--service google --city 上海 --keyword x").status, 2);
  EXPECT_EQ(collect("--service baidu --city 上海 --keywords " + file("missing.txt")).status, 2);

  // A request that fails: status 1, the message with its place, the rest still written.
  const std::string bad = freshWord("坏", 5), good = freshWord("好", 4);
  configureTag(*sim_, bad, "fault=http500");
  Outcome failed = collect("--service amap --city '合肥|340100' --keyword " + bad + " --keyword " + good +
                       " -o " + file("list.xls"));
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("合肥 / " + bad + " / 第1页：服务器返回错误(HTTP 500)"), std::string::npos)
      << failed.err;
  EXPECT_NE(failed.err.find("----采集完成，1个请求失败----"), std::string::npos) << failed.err;
  auto sheet = testing::readSheet(file("list.xls"));
  ASSERT_EQ(sheet.rows.size(), 5u);
  EXPECT_EQ(sheet.rows[0][2], "地图坐标");
  EXPECT_EQ(sheet.rows[1][1], "合肥市" + good.substr(0, good.find('#')) + "1号店");
  EXPECT_TRUE(sheet.allText);

  // A refused key ends the run: status 1 and the reason.
  Outcome badKey = collect("--service tencent --city 上海 --keyword x --key bad-one");
  EXPECT_EQ(badKey.status, 1);
  EXPECT_NE(badKey.err.find("腾讯密钥不可用：key格式错误"), std::string::npos) << badKey.err;
}

}  // namespace
}  // namespace tessary
