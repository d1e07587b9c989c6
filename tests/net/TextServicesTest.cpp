#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "net/TextServices.h"

namespace tessary {
namespace {

TEST(DecodeEscapes, Table) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"\\u4e2d\\u6587", "中文"},
      {"\\u4E2D\\u6587 road", "中文 road"},
      {"\\ud83d\\ude00", "😀"},                    // surrogate pair
      {"x\\ud83dy", "x\xEF\xBF\xBDy"},             // lone high surrogate
      {"\\\"a\\\" \\\\ \\/ b\\nc\\td", "\"a\" \\ / b\nc\td"},
      {"it's 100% plain\r\ntext", "it's 100% plain\r\ntext"},
      {"\\u12 \\uzzzz \\q trailing\\", "\\u12 \\uzzzz \\q trailing\\"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(decodeEscapes(c.in), c.out) << c.in;
}

TEST(RestoreQuotes, ReplacesEveryMarker) {
  EXPECT_EQ(restoreQuotes("#引号a#引号 b #引号"), "\"a\" b \"");
  EXPECT_EQ(restoreQuotes("no marker #引"), "no marker #引");
}

TEST(LocalText, RoundTripAndBrokenInput) {
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文 in code page 936
  EXPECT_EQ(localToUtf8(gbk), "中文");
  EXPECT_EQ(utf8ToLocal("中文abc"), gbk + "abc");
  EXPECT_EQ(localToUtf8("abc\xD6"), "abc\xEF\xBF\xBD");  // cut-off pair
  EXPECT_EQ(utf8ToLocal("a\xFF" "b"), "a?b");            // not UTF-8
  EXPECT_EQ(utf8ToLocal("😀"), "????");                   // no GBK form: one mark per byte
  EXPECT_EQ(localToUtf8(""), "");
}

TEST(UrlEncode, KeepsUnreservedAndWritesTwoUpperCaseDigits) {
  EXPECT_EQ(urlEncode("\n"), "%0A");
  EXPECT_EQ(urlEncode("aZ09-_.~"), "aZ09-_.~");
  EXPECT_EQ(urlEncode("1,2&key=x y"), "1%2C2%26key%3Dx%20y");
  EXPECT_EQ(urlEncode("中"), "%E4%B8%AD");
  EXPECT_EQ(urlEncode(std::string(1, '\0')), "%00");
}

TEST(TimeStamp, UnixSecondsWhateverTheTimeZone) {
  const char* saved = std::getenv("TZ");
  std::string before = saved ? saved : "";
  setenv("TZ", "America/New_York", 1);
  tzset();
  long long there = std::stoll(timeStamp());
  setenv("TZ", "Asia/Shanghai", 1);
  tzset();
  long long here = std::stoll(timeStamp());
  saved ? setenv("TZ", before.c_str(), 1) : unsetenv("TZ");
  tzset();
  EXPECT_LE(here - there, 1);
  EXPECT_NEAR(static_cast<double>(here), static_cast<double>(std::time(nullptr)), 2.0);
}

TEST(Pause, ZeroReturnsAtOnceStopInterruptsAndThePumpRuns) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(pauseWithMessages(0));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));

  int pumped = 0;
  setMessagePump([&] { ++pumped; });
  EXPECT_TRUE(pauseWithMessages(60));
  EXPECT_GT(pumped, 2);

  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
  });
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(pauseWithMessages(10'000, &stop));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  stopper.join();

  int pumpedElsewhere = pumped;
  std::thread([&] { pauseWithMessages(30); }).join();  // another thread never runs the window's pump
  EXPECT_EQ(pumped, pumpedElsewhere);
  setMessagePump(nullptr);
}

}  // namespace
}  // namespace tessary
