// Collection runs end to end against the simulator: the checks before a run, the rows, the
// progress and texts, duplicates, several runs into one list, stop, clear, and the faults a
// run meets on the way.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>

#include "collect/CollectionJob.h"
#include "collect/PlaceSim.h"
#include "coords/Pacer.h"
#include "support/SimulatorTest.h"

namespace tessary {
namespace {

using testing::CollectRecorder;
using testing::configurePlaceKey;
using testing::configureTag;
using testing::freshWord;
using testing::MapSim;
using testing::placeLog;
using namespace std::chrono_literals;

std::string stemOf(const std::string& word) { return word.substr(0, word.find_first_of("#~")); }

class CollectionJobTest : public testing::SimulatorTest {
 protected:
  static void SetUpTestSuite() {
    SimulatorTest::SetUpTestSuite();
    configurePlaceKey(*sim_, kKey, "rate=0");
  }

  // Starts a run and waits for its end.
  void runToEnd(CollectionJob& job, CollectRecorder& recorder, MapSource source,
                const std::string& cities, const std::string& keywords, CollectOptions options = {}) {
    int before = recorder.finishes();
    ASSERT_EQ(job.start(source, cities, keywords, kKey, options), "");
    ASSERT_TRUE(recorder.waitFinished(before + 1));
    job.wait();
    EXPECT_FALSE(recorder.outOfOrder());
    EXPECT_EQ(recorder.rows(), job.rows()) << "the listener's list and the job's list differ";
  }

  static std::string cityLines(MapSource source) {
    return source == MapSource::Amap ? "合肥|340100\r\n上海|310000" : "合肥\r\n上海";
  }
  static std::string areaCity(MapSource source, int i) {
    const char* names[] = {"合肥", "上海"};
    return source == MapSource::Amap ? std::string(names[i]) + "市" : names[i];
  }

  static constexpr const char* kKey = "collect-key";
};


TEST(CollectInput, LinesAreTrimmedBlankAndRepeatedOnesDropped) {
  EXPECT_EQ(collectLines(" 上海 \r\n\r\n\t北京\n上海\r合肥|340100\xE3\x80\x80"),
            (std::vector<std::string>{"上海", "北京", "合肥|340100"}));
  EXPECT_TRUE(collectLines(" \r\n\t\n").empty());

  EXPECT_FALSE(hasLinesWithoutAmapCode("合肥|340100\r\n\r\n上海|310000"));
  EXPECT_TRUE(hasLinesWithoutAmapCode("合肥|340100\r\n上海"));
  EXPECT_TRUE(hasLinesWithoutAmapCode("合肥| "));
  EXPECT_FALSE(hasLinesWithoutAmapCode(""));
}

TEST_F(CollectionJobTest, EmptyInputsRefuseToStartAndChangeNothing) {
  struct Case {
    MapSource source;
    const char* cities;
    const char* keywords;
    const char* key;
    const char* message;
  } cases[] = {
      {MapSource::Baidu, "上海", " \r\n", "", "请先输入城市名与关键词"},
      {MapSource::Baidu, "", "咖啡", "", "请先输入城市名与关键词"},
      {MapSource::Amap, "", "咖啡", "", "请先选择城市输入关键词"},
      {MapSource::Amap, "合肥|340100", "", "", "请先选择城市输入关键词"},
      {MapSource::Tencent, "上海", "咖啡", " ", "请先输入城市名/关键词/密钥"},
      {MapSource::Tencent, "\n", "咖啡", "k", "请先输入城市名/关键词/密钥"},
  };
  for (const auto& c : cases) {
    CollectRecorder recorder;
    CollectionJob job(recorder);
    recorder.rowsAdded(0, {{"1", "kept", "", "", "", ""}});
    EXPECT_EQ(job.start(c.source, c.cities, c.keywords, c.key), c.message);
    EXPECT_FALSE(job.running());
    EXPECT_EQ(recorder.rows().size(), 1u);
    EXPECT_TRUE(recorder.statuses().empty());
    EXPECT_TRUE(recorder.progress().empty());
    EXPECT_EQ(job.status(), "0");
  }
}

TEST_F(CollectionJobTest, CompleteRunWalksCitiesKeywordsAndPagesInOrder) {
  for (MapSource source : {MapSource::Baidu, MapSource::Amap, MapSource::Tencent}) {
    SCOPED_TRACE(std::string(sourceName(source)));
    const std::string a = freshWord("餐", 23), b = freshWord("茶", 7);
    CollectRecorder recorder;
    CollectionJob job(recorder);
    runToEnd(job, recorder, source, cityLines(source), a + "\n" + b);

    auto rows = recorder.rows();
    ASSERT_EQ(rows.size(), 60u);
    std::size_t n = 0;
    for (int city = 0; city < 2; ++city) {
      const std::string cityName = city == 0 ? "合肥" : "上海";
      for (const auto& [word, count] : {std::pair{a, 23}, std::pair{b, 7}}) {
        for (int i = 1; i <= count; ++i, ++n) {
          const Row& row = rows[n];
          ASSERT_EQ(row.size(), 6u);
          EXPECT_EQ(row[0], std::to_string(n + 1));
          EXPECT_EQ(row[1], (source == MapSource::Amap ? cityName + "市" : cityName) + stemOf(word) +
                                std::to_string(i) + "号店");
          EXPECT_EQ(row[3], (source == MapSource::Amap ? cityName + "市" : cityName) + "模拟路" +
                                std::to_string(i) + "号");
          EXPECT_NE(row[2].find(','), std::string::npos);
          if (source == MapSource::Baidu) {
            EXPECT_EQ(row[4], cityName);  // the searched city
          }
          if (source == MapSource::Amap) {
            EXPECT_EQ(row[4], cityName + "市");
            EXPECT_EQ(row[5], word);  // the searched keyword
          }
          if (source == MapSource::Tencent) {
            EXPECT_EQ(row[4], cityName + "市模拟" + std::to_string(i % 5 + 1) + "区");
          }
        }
      }
    }

    // Progress: city, keyword, page as they change, pages from 1 and no page past the end.
    int pagesA = source == MapSource::Baidu ? 3 : 2;
    std::vector<std::tuple<std::string, std::string, int>> expected;
    for (const char* city : {"合肥", "上海"}) {
      for (int p = 1; p <= pagesA; ++p) expected.emplace_back(city, a, p);
      expected.emplace_back(city, b, 1);
    }
    EXPECT_EQ(recorder.progress(), expected);
    EXPECT_EQ(recorder.collected(), 60u);
    EXPECT_EQ(recorder.statuses().front(), "----正在采集----");
    EXPECT_EQ(recorder.statuses().back(), "----采集完成----");
    EXPECT_EQ(recorder.notices(), std::vector<std::string>{"采集完成！"});
    EXPECT_FALSE(recorder.stopped());
    CollectStats stats = job.stats();
    EXPECT_EQ(stats.failedRequests, 0);
    EXPECT_EQ(stats.requests, (pagesA + 1) * 2 + (source == MapSource::Baidu ? 2 : 0));
  }
}

TEST_F(CollectionJobTest, OverlappingKeywordsAndLaterRunsAddNoDuplicatesAndKeepNumbering) {
  for (MapSource source : {MapSource::Baidu, MapSource::Amap, MapSource::Tencent}) {
    SCOPED_TRACE(std::string(sourceName(source)));
    const std::string wide = freshWord("面", 30);
    const std::string narrow = stemOf(wide) + "~店#20";  // the first 20 of the same places
    const std::string city = source == MapSource::Amap ? "合肥|340100" : "合肥";
    CollectRecorder recorder;
    CollectionJob job(recorder);
    runToEnd(job, recorder, source, city, wide + "\n" + narrow);
    EXPECT_EQ(recorder.rows().size(), 30u);
    EXPECT_EQ(recorder.collected(), 30u);

    // A second run keeps the list; what it finds again is not added, what is new follows on.
    const std::string more = freshWord("粉", 5);
    runToEnd(job, recorder, source, city, narrow + "\n" + more);
    auto rows = recorder.rows();
    ASSERT_EQ(rows.size(), 35u);
    EXPECT_EQ(recorder.collected(), 5u);
    std::set<std::string> titles;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i][0], std::to_string(i + 1));
      EXPECT_TRUE(titles.insert(rows[i][1]).second) << rows[i][1];
    }
    EXPECT_EQ(rows[30][1].find(stemOf(more)) != std::string::npos, true);

    // Clearing empties the list and nothing else; the next run numbers from 1 again.
    std::string status = job.status();
    auto progress = recorder.progress();
    job.clear();
    EXPECT_TRUE(recorder.rows().empty());
    EXPECT_EQ(job.status(), status);
    EXPECT_EQ(recorder.progress(), progress);
    EXPECT_EQ(recorder.collected(), 5u);
    runToEnd(job, recorder, source, city, more);
    ASSERT_EQ(recorder.rows().size(), 5u);
    EXPECT_EQ(recorder.rows()[0][0], "1");
  }
}

TEST_F(CollectionJobTest, StopEndsWithinASecondEvenMidTransferWithoutCompletionTexts) {
  const std::string word = freshWord("慢", 50);
  configureTag(*sim_, word, "latency=4000");
  CollectRecorder recorder;
  CollectionJob job(recorder);
  ASSERT_EQ(job.start(MapSource::Amap, "合肥|340100", word, ""), "");
  std::this_thread::sleep_for(300ms);
  auto stopAt = std::chrono::steady_clock::now();
  job.stop();
  ASSERT_TRUE(recorder.waitFinished(1, 5s));
  EXPECT_LT(recorder.finishedAt() - stopAt, 1s);
  job.wait();
  EXPECT_TRUE(recorder.stopped());
  EXPECT_EQ(job.status(), "----采集已停止----");
  EXPECT_TRUE(recorder.notices().empty());
  EXPECT_TRUE(job.stats().stopped);
}

TEST_F(CollectionJobTest, CityLinesWithoutAServiceCityAreSkippedByName) {
  struct Case {
    MapSource source;
    const char* cities;
    const char* skipText;
  } cases[] = {
      {MapSource::Baidu, "无名城\n上海", "未找到城市，已跳过：无名城"},
      {MapSource::Amap, "合肥\n上海|310000", "缺少高德城市代码，已跳过：合肥"},
  };
  for (const auto& c : cases) {
    const std::string word = freshWord("店", 4);
    CollectRecorder recorder;
    CollectionJob job(recorder);
    runToEnd(job, recorder, c.source, c.cities, word);
    auto statuses = recorder.statuses();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), c.skipText), statuses.end()) << c.skipText;
    EXPECT_EQ(recorder.rows().size(), 4u);
    EXPECT_EQ(recorder.rows()[0][1].substr(0, 6), "上海");
    EXPECT_EQ(job.stats().skippedCities, 1);
    EXPECT_EQ(statuses.back(), "----采集完成，1个城市已跳过----");
    EXPECT_EQ(recorder.notices(), std::vector<std::string>{"采集完成！"});
  }
}

TEST_F(CollectionJobTest, AServerRepeatingAFullPageForeverGetsOneHundredPages) {
  for (MapSource source : {MapSource::Baidu, MapSource::Amap, MapSource::Tencent}) {
    SCOPED_TRACE(std::string(sourceName(source)));
    const std::string word = freshWord("环", 40);
    configureTag(*sim_, word, "fault=repeat");
    CollectRecorder recorder;
    CollectionJob job(recorder);
    runToEnd(job, recorder, source, source == MapSource::Amap ? "合肥|340100" : "合肥", word);
    EXPECT_EQ(placeLog(*sim_, word).size(), 100u);
    std::size_t onePage = source == MapSource::Baidu ? 10 : source == MapSource::Amap ? 20 : 18;
    EXPECT_EQ(recorder.rows().size(), onePage);
    EXPECT_EQ(std::get<2>(recorder.progress().back()), 100);
    EXPECT_EQ(recorder.statuses().back(), "----采集完成----");
  }
}

TEST_F(CollectionJobTest, AFailedRequestShowsItsMessageAndTheRunGoesOnWithTheNextKeyword) {
  struct Case {
    const char* fault;
    const char* message;  // nullptr: any numbered message
  } cases[] = {
      {"fault=slow&slowMs=3000&count=1", "712"},
      {"fault=cut&count=1", "713"},
      {"fault=garbage&count=1", "服务器回复无法识别"},
      {"fault=http500&count=1", "服务器返回错误(HTTP 500)"},
      {"fault=ratelimit", "请求过于频繁，重试后仍被服务器拒绝"},
  };
  for (MapSource source : {MapSource::Baidu, MapSource::Amap, MapSource::Tencent}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(sourceName(source)) + " " + c.fault);
      const std::string bad = freshWord("坏", 25), good = freshWord("好", 5);
      // The second page of the first keyword fails.
      configureTag(*sim_, bad, std::string(c.fault) + "&skip=1");
      CollectOptions options;
      options.timeouts.receiveMs = 500;
      CollectRecorder recorder;
      CollectionJob job(recorder);
      runToEnd(job, recorder, source, source == MapSource::Amap ? "合肥|340100" : "合肥",
               bad + "\n" + good, options);
      auto statuses = recorder.statuses();
      bool shown = false;
      for (const auto& s : statuses) shown = shown || s.rfind(c.message, 0) == 0;
      EXPECT_TRUE(shown) << "status texts lack " << c.message;
      ASSERT_EQ(recorder.failures().size(), 1u);
      EXPECT_NE(recorder.failures()[0].find("/2: "), std::string::npos) << recorder.failures()[0];
      // Page 1 of the failing keyword and all of the next one are in the list.
      std::size_t pageOne = source == MapSource::Baidu ? 10 : source == MapSource::Amap ? 20 : 18;
      EXPECT_EQ(recorder.rows().size(), pageOne + 5);
      EXPECT_EQ(statuses.back(), "----采集完成，1个请求失败----");
      EXPECT_EQ(recorder.notices(), std::vector<std::string>{"采集完成！"});
      EXPECT_EQ(job.stats().failedRequests, 1);
    }
  }
}

TEST_F(CollectionJobTest, RateLimitRepliesAreWaitedOutAndRetried) {
  for (MapSource source : {MapSource::Baidu, MapSource::Amap, MapSource::Tencent}) {
    SCOPED_TRACE(std::string(sourceName(source)));
    const std::string word = freshWord("限", 15);
    configureTag(*sim_, word, "fault=ratelimit&count=2");
    CollectRecorder recorder;
    CollectionJob job(recorder);
    runToEnd(job, recorder, source, source == MapSource::Amap ? "合肥|340100" : "合肥", word);
    EXPECT_EQ(recorder.rows().size(), 15u);
    EXPECT_EQ(job.stats().failedRequests, 0);
    EXPECT_EQ(recorder.statuses().back(), "----采集完成----");
  }
}

TEST_F(CollectionJobTest, ABaiduCityLookupThatFailsSkipsOnlyThatCity) {
  configureTag(*sim_, "广州", "fault=http500");
  const std::string word = freshWord("馆", 3);
  CollectRecorder recorder;
  CollectionJob job(recorder);
  runToEnd(job, recorder, MapSource::Baidu, "广州\n深圳", word);
  EXPECT_EQ(recorder.rows().size(), 3u);
  ASSERT_EQ(recorder.failures().size(), 1u);
  EXPECT_EQ(recorder.failures()[0], "广州//0: 服务器返回错误(HTTP 500)");
  EXPECT_EQ(recorder.statuses().back(), "----采集完成，1个请求失败----");
}

TEST_F(CollectionJobTest, ARefusedTencentKeyEndsTheRunAtOnceAndSaysSo) {
  const std::string word = freshWord("钥", 5);
  CollectRecorder recorder;
  CollectionJob job(recorder);
  ASSERT_EQ(job.start(MapSource::Tencent, "上海\n北京", word + "\n" + freshWord("匙", 5), "bad-key"), "");
  ASSERT_TRUE(recorder.waitFinished());
  job.wait();
  EXPECT_EQ(placeLog(*sim_, "bad-key", true).size(), 1u);
  EXPECT_EQ(recorder.notices(), std::vector<std::string>{"腾讯密钥不可用：key格式错误"});
  EXPECT_EQ(job.status(), "腾讯密钥不可用：key格式错误");
  EXPECT_FALSE(recorder.stopped());
  EXPECT_TRUE(job.stats().keyRefused);
  EXPECT_TRUE(recorder.rows().empty());
}

}  // namespace
}  // namespace tessary
