// The coordinate runs end to end against the simulator: texts, rows, requests, stop, clear
// and the failures a run meets on the way.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "coords/CoordinateRun.h"
#include "coords/Pacer.h"
#include "support/SimulatorTest.h"
#include "coords/RecordingListener.h"
#include "coords/SimControl.h"

namespace tessary {
namespace {

using testing::configureKey;
using testing::freshKey;
using testing::MapSim;
using testing::RecordingListener;
using testing::requestLog;
using namespace std::chrono_literals;

class CoordinateRunTest : public testing::SimulatorTest {
 protected:

  // Runs input to its end and returns the listener's rows.
  std::vector<Row> runToEnd(CoordinatePage page, const std::string& input, RunOptions options) {
    CoordinateRun run(page, listener_);
    EXPECT_EQ(run.start(input, std::move(options)), "");
    EXPECT_TRUE(listener_.waitFinished());
    run.wait();
    EXPECT_EQ(listener_.rows(), run.rows()) << "the listener's list and the run's list differ";
    return listener_.rows();
  }

  static RunOptions withKey(const std::string& key, int code = 0) {
    RunOptions options;
    options.key = key;
    options.sourceCode = code;
    return options;
  }

  RecordingListener listener_;
};


TEST(CoordinateLines, TrimsDropsBlanksAndChecksTheForm) {
  EXPECT_EQ(inputLines(" 39.9,116.4 \r\n\r\n\t40,117\n  \n\r-1.5,2"),
            (std::vector<std::string>{"39.9,116.4", "40,117", "-1.5,2"}));
  EXPECT_EQ(inputLines("\xE3\x80\x80"
                       "1,2\xE3\x80\x80"),
            std::vector<std::string>{"1,2"});
  EXPECT_TRUE(inputLines(" \r\n\t\n").empty());

  struct Case {
    const char* line;
    const char* normalized;  // nullptr: not a coordinate
  } cases[] = {
      {"39.915,116.404", "39.915,116.404"},
      {"-33.8 , 151.2", "-33.8,151.2"},
      {"12958160.97,4825923.77", "12958160.97,4825923.77"},
      {"1,2&key=x", nullptr},
      {"39.9;116.4", nullptr},
      {"39.9,116.4,3", nullptr},
      {"39.9,", nullptr},
      {"abc,def", nullptr},
      {"1e5,2", nullptr},
      {"--1,2", nullptr},
      {"1.2.3,4", nullptr},
  };
  for (const auto& c : cases) {
    auto got = normalizedCoordinate(c.line);
    if (c.normalized) {
      ASSERT_TRUE(got) << c.line;
      EXPECT_EQ(*got, c.normalized);
    } else {
      EXPECT_FALSE(got) << c.line;
    }
  }
}

TEST_F(CoordinateRunTest, MissingInputOrKeyRefusesToStartAndLeavesTheListAlone) {
  struct Case {
    CoordinatePage page;
    const char* input;
    const char* key;
    const char* message;
  } cases[] = {
      {CoordinatePage::TencentConversion, "", "k", "请确保已正确输入坐标与腾讯密钥，若没有密钥可申请密钥！"},
      {CoordinatePage::TencentConversion, "39.9,116.4", " ", "请确保已正确输入坐标与腾讯密钥，若没有密钥可申请密钥！"},
      {CoordinatePage::BaiduConversion, " \r\n ", "k", "请确保已正确输入坐标与百度密钥，若无密钥可点申请密钥！"},
      {CoordinatePage::BaiduConversion, "116.4,39.9", "", "请确保已正确输入坐标与百度密钥，若无密钥可点申请密钥！"},
      {CoordinatePage::ReverseGeocoding, "\n\n", "k", "请先输入要解析的坐标"},
      {CoordinatePage::ReverseGeocoding, "39.9,116.4", "", "请确保已正确输入坐标与腾讯密钥，若没有密钥可申请密钥！"},
  };
  for (const auto& c : cases) {
    RecordingListener listener;
    CoordinateRun run(c.page, listener);
    listener.rowsAdded(0, {{"1", "kept", "", ""}});
    EXPECT_EQ(run.start(c.input, withKey(c.key)), c.message);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(listener.rows().size(), 1u);
    EXPECT_EQ(listener.clears(), 0);
    EXPECT_TRUE(listener.statuses().empty());
    EXPECT_EQ(run.status(), "0");
  }
}

TEST_F(CoordinateRunTest, EachSourceChoiceSendsItsCodeWithTheQueryPiecesInOrder) {
  for (CoordinatePage page : {CoordinatePage::TencentConversion, CoordinatePage::BaiduConversion}) {
    for (const SourceChoice& choice : sourceChoices(page)) {
      std::string key = freshKey();
      RecordingListener listener;
      CoordinateRun run(page, listener);
      ASSERT_EQ(run.start("39.9,116.4", withKey(key, choice.code)), "");
      run.wait();
      auto log = requestLog(*sim_, key);
      ASSERT_EQ(log.size(), 1u) << choice.control;
      std::string code = std::to_string(choice.code);
      std::string expected =
          page == CoordinatePage::TencentConversion
              ? "/ws/coord/v1/translate?locations=39.9%2C116.4&type=" + code + "&key=" + key
              : "/geoconv/v1/?coords=39.9%2C116.4&from=" + code + "&to=5&ak=" + key + "&callback=BMap._rd._cbk14213";
      EXPECT_EQ(log[0], expected) << choice.control;
    }
  }
  // The window opens with Tencent type 5 and Baidu from 3 selected.
  EXPECT_EQ(defaultSourceCode(CoordinatePage::TencentConversion), 5);
  EXPECT_EQ(defaultSourceCode(CoordinatePage::BaiduConversion), 3);

  std::string key = freshKey();
  RecordingListener listener;
  CoordinateRun run(CoordinatePage::ReverseGeocoding, listener);
  ASSERT_EQ(run.start("39.9,116.4", withKey(key)), "");
  run.wait();
  EXPECT_EQ(requestLog(*sim_, key),
            std::vector<std::string>{"/ws/geocoder/v1/?location=39.9%2C116.4&key=" + key + "&get_poi=1"});
}

TEST_F(CoordinateRunTest, KeyTextCannotAddQueryParameters) {
  // The key travels percent-encoded: "&type=1" inside it stays part of the key.
  std::string key = freshKey("k") + "&type=1";
  auto rows = runToEnd(CoordinatePage::TencentConversion, "39.9,116.4", withKey(key));
  auto log = requestLog(*sim_, key);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("&type=5&key=" + urlEncode(key)), std::string::npos) << log[0];
  EXPECT_EQ(rows[0][2], "39.900000,116.400000") << "type 5 leaves the point unchanged";
}

TEST_F(CoordinateRunTest, TencentConversionRunFillsRowsInInputOrder) {
  std::string key = freshKey();
  auto rows =
      runToEnd(CoordinatePage::TencentConversion, " 39.9,116.4 \r\n\r\n40.1, 116.5\r\n1,2&key=x\r\n", withKey(key, 1));
  EXPECT_EQ(rows, (std::vector<Row>{
                      {"1", "39.9,116.4", "39.901000,116.402000", "query ok"},
                      {"2", "40.1, 116.5", "40.101000,116.502000", "query ok"},
                      {"3", "1,2&key=x", "", "坐标错误"},
                  }));
  EXPECT_EQ(listener_.statuses(), (std::vector<std::string>{"-----正在转换中-----", "-----转换完成！-----"}));
  EXPECT_EQ(listener_.notices(), std::vector<std::string>{"转换完成！"});
  EXPECT_FALSE(listener_.stopped());
  EXPECT_EQ(requestLog(*sim_, key).size(), 1u) << "both good lines travel in one request";
}

TEST_F(CoordinateRunTest, BaiduConversionRunKeepsLongitudeFirst) {
  std::string key = freshKey();
  auto rows = runToEnd(CoordinatePage::BaiduConversion, "116.4,39.9\n117,40\nx", withKey(key, 1));
  EXPECT_EQ(rows, (std::vector<Row>{
                      {"1", "116.4,39.9", "116.407500000,39.907000000", "完成"},
                      {"2", "117,40", "117.007500000,40.007000000", "完成"},
                      {"3", "x", "", "坐标错误"},
                  }));
  EXPECT_EQ(listener_.statuses(), (std::vector<std::string>{"-----正在转换中-----", "-----转换完成！-----"}));
  EXPECT_EQ(listener_.notices(), std::vector<std::string>{"转换完成！"});
}

TEST_F(CoordinateRunTest, ReverseGeocodingTakesThePointsAddressNotASurroundingPlace) {
  std::string key = freshKey();
  auto rows = runToEnd(CoordinatePage::ReverseGeocoding, "39.9,116.4\n31.23,121.47", withKey(key));
  EXPECT_EQ(rows, (std::vector<Row>{
                      {"1", "39.9,116.4", "模拟市坐标路39.9000,116.4000号", "query ok"},
                      {"2", "31.23,121.47", "模拟市坐标路31.2300,121.4700号", "query ok"},
                  }));
  EXPECT_EQ(listener_.statuses(), (std::vector<std::string>{"-----正在解析-----", "-----解析完成！-----"}));
  EXPECT_EQ(listener_.notices(), std::vector<std::string>{"解析完成"});
  EXPECT_EQ(requestLog(*sim_, key).size(), 2u) << "one point per request";
}

TEST_F(CoordinateRunTest, NewRunReplacesTheListAndNumbersFromOne) {
  std::string key = freshKey();
  CoordinateRun run(CoordinatePage::TencentConversion, listener_);
  ASSERT_EQ(run.start("1,1\n2,2\n3,3", withKey(key)), "");
  ASSERT_TRUE(listener_.waitFinished(1));
  ASSERT_EQ(run.start("4,4", withKey(key)), "");
  ASSERT_TRUE(listener_.waitFinished(2));
  run.wait();
  EXPECT_EQ(listener_.rows(), (std::vector<Row>{{"1", "4,4", "4.000000,4.000000", "query ok"}}));
  EXPECT_EQ(run.rows(), listener_.rows());
}

TEST_F(CoordinateRunTest, LongListGoesInBatchesOfAHundred) {
  std::string key = freshKey();
  std::string input;
  for (int i = 0; i < 250; ++i) input += std::to_string(i % 80) + ".5," + std::to_string(i % 80) + ".25\n";
  for (CoordinatePage page : {CoordinatePage::TencentConversion, CoordinatePage::BaiduConversion}) {
    RecordingListener listener;
    CoordinateRun run(page, listener);
    std::string pageKey = key + (page == CoordinatePage::BaiduConversion ? "b" : "t");
    ASSERT_EQ(run.start(input, withKey(pageKey)), "");
    run.wait();
    auto rows = listener.rows();
    ASSERT_EQ(rows.size(), 250u);
    for (const auto& row : rows) EXPECT_NE(row[2], "") << row[0];
    EXPECT_EQ(rows[249][0], "250");
    EXPECT_EQ(requestLog(*sim_, pageKey).size(), 3u);
  }
}

TEST_F(CoordinateRunTest, OneRejectedLineInABatchCostsTheOthersNothing) {
  struct Case {
    CoordinatePage page;
    const char* input;
    const char* badState;
  } cases[] = {
      {CoordinatePage::TencentConversion, "39.9,116.4\n95,116.4\n40,117", "locations参数错误"},
      {CoordinatePage::BaiduConversion, "116.4,39.9\n200,39.9\n117,40", "坐标错误"},
  };
  for (const auto& c : cases) {
    std::string key = freshKey();
    RecordingListener listener;
    CoordinateRun run(c.page, listener);
    ASSERT_EQ(run.start(c.input, withKey(key)), "");
    run.wait();
    auto rows = listener.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_NE(rows[0][2], "");
    EXPECT_EQ(rows[1][2], "");
    EXPECT_EQ(rows[1][3], c.badState);
    EXPECT_NE(rows[2][2], "");
    EXPECT_EQ(requestLog(*sim_, key).size(), 4u) << "the batch, then each line on its own";
    EXPECT_EQ(listener.notices(), std::vector<std::string>{"转换完成！"});
  }
}

TEST_F(CoordinateRunTest, FaultsFailTheirRowOnlyAndTheRunGoesOn) {
  struct Fault {
    const char* options;
    std::string state;
  } faults[] = {
      {"fault=slow&slowMs=3000&count=1", "712 服务器未响应!"},
      {"fault=cut&count=1", "713 读取数据失败!"},
      {"fault=http500&count=1", "服务器返回错误(HTTP 500)"},
      {"fault=garbage&count=1", "服务器回复无法识别"},
  };
  for (CoordinatePage page :
       {CoordinatePage::TencentConversion, CoordinatePage::BaiduConversion, CoordinatePage::ReverseGeocoding}) {
    for (const auto& fault : faults) {
      std::string key = freshKey();
      configureKey(*sim_, key, fault.options);
      RecordingListener listener;
      CoordinateRun run(page, listener);
      RunOptions options = withKey(key);
      options.batchSize = 1;
      options.timeouts.receiveMs = 500;
      ASSERT_EQ(run.start("30,60\n31,61\n32,62", options), "");
      ASSERT_TRUE(listener.waitFinished());
      run.wait();
      auto rows = listener.rows();
      ASSERT_EQ(rows.size(), 3u);
      SCOPED_TRACE(std::string(pageTexts(page).running) + " " + fault.options);
      EXPECT_EQ(rows[0][2], "");
      EXPECT_EQ(rows[0][3], fault.state);
      EXPECT_NE(rows[1][2], "") << rows[1][3];
      EXPECT_NE(rows[2][2], "") << rows[2][3];
      EXPECT_EQ(listener.statuses().back(), pageTexts(page).completed);
    }
  }
}

TEST_F(CoordinateRunTest, ReplyInAnotherLayoutGivesNoResultAndSaysSo) {
  // The patterns read the services' exact layout; a reply laid out otherwise must not leave
  // "query ok" beside an empty result.
  struct Case {
    CoordinatePage page;
    const char* state;
  } cases[] = {
      {CoordinatePage::TencentConversion, "服务器回复无法识别"},
      {CoordinatePage::BaiduConversion, "坐标错误"},
  };
  for (const auto& c : cases) {
    std::string key = freshKey();
    configureKey(*sim_, key, "fault=layout");
    RecordingListener listener;
    CoordinateRun run(c.page, listener);
    ASSERT_EQ(run.start("30,60\n31,61", withKey(key)), "");
    run.wait();
    for (const auto& row : listener.rows()) {
      EXPECT_EQ(row[2], "");
      EXPECT_EQ(row[3], c.state);
    }
    for (const auto& job : run.jobs()) EXPECT_FALSE(job.succeeded);
  }
}

TEST_F(CoordinateRunTest, RateLimitRepliesAreWaitedOutWithoutLosingRows) {
  // Two refusals in a row are retried; four (more than three retries) fail that row only.
  std::string key = freshKey();
  configureKey(*sim_, key, "fault=ratelimit&count=2");
  auto rows = runToEnd(CoordinatePage::TencentConversion, "30,110\n31,111", withKey(key));
  EXPECT_EQ(rows[0][3], "query ok");
  EXPECT_EQ(rows[1][3], "query ok");
  EXPECT_EQ(requestLog(*sim_, key).size(), 3u);

  key = freshKey();
  configureKey(*sim_, key, "fault=ratelimit&count=4");
  RecordingListener listener;
  CoordinateRun run(CoordinatePage::BaiduConversion, listener);
  RunOptions options = withKey(key);
  options.batchSize = 1;
  ASSERT_EQ(run.start("110,30\n111,31", options), "");
  run.wait();
  EXPECT_EQ(listener.rows()[0][3], "坐标错误");
  EXPECT_EQ(listener.rows()[1][3], "完成");

  // The service's own per-key limit, met without pacing: every row still arrives.
  key = freshKey();
  configureKey(*sim_, key, "rate=2");
  RateLimitRetry::setWaitMs(1000);
  RecordingListener limited;
  CoordinateRun geocode(CoordinatePage::ReverseGeocoding, limited);
  ASSERT_EQ(geocode.start("30,110\n31,111\n32,112\n33,113\n34,114", withKey(key)), "");
  geocode.wait();
  for (const auto& row : limited.rows()) EXPECT_EQ(row[3], "query ok") << row[0];
}

TEST_F(CoordinateRunTest, UnknownKeyMarksEveryRowAndEndsNormally) {
  struct Case {
    CoordinatePage page;
    const char* state;
  } cases[] = {
      {CoordinatePage::TencentConversion, "key格式错误"},
      {CoordinatePage::BaiduConversion, "坐标错误"},
      {CoordinatePage::ReverseGeocoding, "key格式错误"},
  };
  for (const auto& c : cases) {
    std::string key = freshKey("bad");
    RecordingListener listener;
    CoordinateRun run(c.page, listener);
    RunOptions options = withKey(key);
    options.batchSize = 2;
    ASSERT_EQ(run.start("30,110\n31,111\n32,112\n33,113\nnot a point", options), "");
    run.wait();
    auto rows = listener.rows();
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(rows[i][2], "");
      EXPECT_EQ(rows[i][3], c.state);
    }
    EXPECT_EQ(rows[4][3], "坐标错误");
    EXPECT_EQ(listener.statuses().back(), pageTexts(c.page).completed);
    EXPECT_EQ(listener.notices(), std::vector<std::string>{pageTexts(c.page).completedNotice});
    EXPECT_EQ(requestLog(*sim_, key).size(), 1u) << "a refused key is not asked again";
  }
}

TEST_F(CoordinateRunTest, StopDuringATransferEndsWithinASecond) {
  for (CoordinatePage page :
       {CoordinatePage::TencentConversion, CoordinatePage::BaiduConversion, CoordinatePage::ReverseGeocoding}) {
    std::string key = freshKey();
    configureKey(*sim_, key, "fault=slow&slowMs=20000");
    RecordingListener listener;
    CoordinateRun run(page, listener);
    ASSERT_EQ(run.start("30,110\n31,111", withKey(key)), "");
    for (int i = 0; i < 200 && requestLog(*sim_, key).empty(); ++i) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    auto pressed = std::chrono::steady_clock::now();
    run.stop();
    ASSERT_TRUE(listener.waitFinished(1, 5s));
    EXPECT_LT(listener.finishedAt() - pressed, 1s);
    EXPECT_TRUE(listener.stopped());
    EXPECT_EQ(listener.statuses().back(), pageTexts(page).stopped);
    EXPECT_TRUE(listener.notices().empty());
    for (const auto& row : listener.rows()) EXPECT_EQ(row[3], pageTexts(page).waiting);
    run.wait();
  }
}

TEST_F(CoordinateRunTest, ClearDuringARunStopsItThenEmptiesTheList) {
  std::string key = freshKey();
  configureKey(*sim_, key, "fault=slow&slowMs=20000");
  CoordinateRun run(CoordinatePage::TencentConversion, listener_);
  ASSERT_EQ(run.start("30,110\n31,111", withKey(key)), "");
  for (int i = 0; i < 200 && requestLog(*sim_, key).empty(); ++i) std::this_thread::sleep_for(10ms);
  auto pressed = std::chrono::steady_clock::now();
  run.clear();
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, 1500ms);
  EXPECT_FALSE(run.running());
  EXPECT_TRUE(run.rows().empty());
  EXPECT_TRUE(listener_.rows().empty());
  EXPECT_EQ(listener_.statuses().back(), "-----已停止转换-----");

  run.clear();  // idle: just empties
  EXPECT_TRUE(listener_.rows().empty());
}

TEST(PacerTest, SpacesTurnsAndGivesUpOnStop) {
  Pacer pacer(20);
  auto started = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(pacer.waitTurn());
  EXPECT_GE(std::chrono::steady_clock::now() - started, 195ms);

  std::atomic<bool> stop{false};
  Pacer slow(0.5);
  ASSERT_TRUE(slow.waitTurn(&stop));
  std::thread stopper([&] {
    std::this_thread::sleep_for(50ms);
    stop = true;
  });
  started = std::chrono::steady_clock::now();
  EXPECT_FALSE(slow.waitTurn(&stop));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
  stopper.join();

  Pacer off(0);
  started = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(off.waitTurn());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 50ms);
}

}  // namespace
}  // namespace tessary
