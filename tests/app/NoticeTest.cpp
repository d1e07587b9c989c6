// The announcement line: reading the notice record, fetching it off the GUI thread,
// opening only web addresses.

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/Links.h"
#include "app/Notice.h"
#include "net/MapServiceClient.h"
#include "net/TextServices.h"
#include "support/MapSim.h"
#include "tests/app/AppTestSupport.h"

namespace tessary::app::testing {
namespace {

TEST(NoticeRecord, OnlyTheFirstWholeRecordWithinOneLineCounts) {
  struct Case {
    const char* what;
    std::string body;
    std::optional<Notice> expected;
  };
  const std::vector<Case> cases = {
      {"one record amid other text", "公告\r\nxx@1新版本#1https://a.cn/@1yy\r\n", Notice{"新版本", "https://a.cn/"}},
      {"first of several", "@1一#1http://1/@1 @1二#1http://2/@1\n@1三#1http://3/@1", Notice{"一", "http://1/"}},
      {"fields as short as possible", "@1a#1b@1c#1d@1", Notice{"a", "b"}},
      {"empty fields", "@1#1@1", Notice{"", ""}},
      {"split over two lines", "@1新版本\n#1https://a.cn/@1", std::nullopt},
      {"address on the next line", "@1新版本#1https://a.cn/\n@1", std::nullopt},
      {"no #1", "@1新版本 https://a.cn/@1", std::nullopt},
      {"no closing @1", "@1新版本#1https://a.cn/", std::nullopt},
      {"empty body", "", std::nullopt},
  };
  for (const Case& c : cases) {
    auto got = parseNotice(c.body);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.what;
    if (got) {
      EXPECT_EQ(got->text, c.expected->text) << c.what;
      EXPECT_EQ(got->address, c.expected->address) << c.what;
    }
  }
}

TEST(OpenInBrowser, OpensWebAddressesOnly) {
  std::vector<std::string> opened;
  setBrowserOpener([&](const QUrl& url) {
    opened.push_back(url.toString().toStdString());
    return true;
  });
  struct Case {
    const char* address;
    bool opens;
  };
  for (const Case& c :
       {Case{"https://www.tessary.cn/", true}, Case{"http://example.org/a?b=1", true},
        Case{"HTTPS://example.org", true}, Case{"javascript:alert(1)", false}, Case{"file:///etc/passwd", false},
        Case{"ftp://example.org/", false}, Case{"www.example.org", false}, Case{"http://", false}, Case{"", false},
        Case{"calc.exe", false}}) {
    opened.clear();
    EXPECT_EQ(OpenInBrowser(QString::fromUtf8(c.address)), c.opens) << c.address;
    EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.address;
  }
  setBrowserOpener({});
}

class NoticeLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.becomeServiceBase();
    setBrowserOpener([this](const QUrl& url) {
      opened.push_back(url.toString().toStdString());
      return true;
    });
  }
  void TearDown() override { setBrowserOpener({}); }

  void configure(const std::string& query) {
    WebRequest request;
    request.url = sim.url("/mapsim/notice/config?" + query);
    ASSERT_TRUE(MapServiceClient::fetch(request).ok());
  }
  std::unique_ptr<MainWindow> start() {
    auto options = quietOptions(dir);
    options.fetchNotice = true;
    auto w = std::make_unique<MainWindow>(options);
    w->show();
    return w;
  }
  QTimer* timer(MainWindow* w) { return w->findChild<QTimer*>(QStringLiteral("时钟_公告")); }

  tessary::testing::MapSim sim;
  QTemporaryDir dir;
  std::vector<std::string> opened;
};

TEST_F(NoticeLineTest, ShowsTheFirstRecordAndOpensItsAddress) {
  auto w = start();
  auto* line = control<QLabel>(w.get(), "透明标签_公告");
  EXPECT_TRUE(timer(w.get())->isActive());
  ASSERT_TRUE(waitUntil([&] { return !line->text().isEmpty(); }));
  EXPECT_TRUE(line->text().startsWith(QStringLiteral("欢迎试用 Tessary 演示")));
  QTest::mousePress(line, Qt::LeftButton);
  QTest::mousePress(line, Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<std::string>(2, "https://www.tessary.cn/"));
}

TEST_F(NoticeLineTest, NoRecordNoAnswerOrAForeignAddressChangeNothing) {
  struct Case {
    const char* what;
    std::string query;
    const char* shown;  // "" for an empty line
  };
  const std::vector<Case> cases = {
      {"no record", "body=" + urlEncode("@1只有开头#1"), ""},
      {"split record", "body=" + urlEncode("@1分开\n#1https://a.cn/@1"), ""},
      {"server error", "status=500&body=" + urlEncode("@1错误页#1https://a.cn/@1"), ""},
      {"script address", "status=200&body=" + urlEncode("@1点我#1javascript:alert(1)@1"), "点我"},
  };
  for (const Case& c : cases) {
    configure(c.query);
    auto w = start();
    auto* line = control<QLabel>(w.get(), "透明标签_公告");
    ASSERT_TRUE(waitUntil([&] { return !timer(w.get())->isActive(); })) << c.what;
    EXPECT_EQ(line->text(), QString::fromUtf8(c.shown)) << c.what;
    opened.clear();
    QTest::mousePress(line, Qt::LeftButton);
    EXPECT_TRUE(opened.empty()) << c.what;
    EXPECT_TRUE(otherShownWindows(w.get()).isEmpty()) << c.what << ": no message";
  }
}

TEST_F(NoticeLineTest, ANoticeLongerThanTheLineRunsAlongIt) {
  const std::string text(120, 'N');
  configure("body=" + urlEncode("@1" + text + "#1https://a.cn/@1"));
  auto w = start();
  auto* line = control<QLabel>(w.get(), "透明标签_公告");
  ASSERT_TRUE(waitUntil([&] { return !line->text().isEmpty(); }));
  const QString first = line->text();
  EXPECT_TRUE(waitUntil([&] { return line->text() != first; })) << "the text moves";
  EXPECT_TRUE(timer(w.get())->isActive());
  EXPECT_TRUE(line->text().contains(QString(20, QLatin1Char('N'))));
}

TEST_F(NoticeLineTest, ASlowServerNeverHoldsUpTheWindow) {
  configure("latency=20000");
  QElapsedTimer clock;
  clock.start();
  auto w = start();
  // The event loop keeps turning while the fetch waits.
  int ticks = 0;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
  beat.start(10);
  QTest::qWait(300);
  EXPECT_GE(ticks, 5);
  EXPECT_TRUE(control<QLabel>(w.get(), "透明标签_公告")->text().isEmpty());
  clock.restart();
  w.reset();  // closing abandons the fetch
  EXPECT_LT(clock.elapsed(), 2500);
}

}  // namespace
}  // namespace tessary::app::testing
