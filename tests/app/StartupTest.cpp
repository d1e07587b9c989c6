// Start-up work: the desktop shortcut, the fonts every Chinese text needs, the skin.

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "app/Startup.h"
#include "tests/app/AppTestSupport.h"

namespace tessary::app::testing {
namespace {

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
  }
  void TearDown() override {
    if (saved.isEmpty())
      qunsetenv("XDG_DATA_HOME");
    else
      qputenv("XDG_DATA_HOME", saved);
  }
  QTemporaryDir dir;
  QByteArray saved;
};

TEST_F(ShortcutTest, PointsAtTheRunningProgramAndIsRewrittenEachStart) {
  const QString path = dir.filePath(QStringLiteral("applications/Tessary_免费版.desktop"));
  ASSERT_EQ(shortcutPath(), path);
  ASSERT_TRUE(placeShortcut());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  file.close();
  EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("\nName=Tessary_免费版\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"%1\"\n").arg(QCoreApplication::applicationFilePath())));

  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("[Desktop Entry]\nExec=/elsewhere/tessary\n");
  file.close();
  ASSERT_TRUE(placeShortcut());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(file.readAll()), text);
}

TEST_F(ShortcutTest, AFolderThatCannotBeWrittenIsNoError) {
  qputenv("XDG_DATA_HOME", "/proc/tessary-test");
  EXPECT_FALSE(placeShortcut());
}

TEST(Startup, ChineseFacesResolveToAFontWithChineseLetters) {
  for (const char* face : {"微软雅黑", "新宋体"}) {
    QFont font(QString::fromUtf8(face));
    font.setPixelSize(12);
    EXPECT_TRUE(QFontMetrics(font).inFont(QChar(0x5730))) << face << " -> " << QFontInfo(font).family().toStdString();
  }
  EXPECT_TRUE(QFontMetrics(QApplication::font()).inFont(QChar(0x5730)));
  EXPECT_FALSE(qApp->styleSheet().isEmpty()) << "the skin is applied";
}

TEST(Startup, WindowFontsAreCharacterHeightsInPixels) {
  QTemporaryDir dir;
  MainWindow w(quietOptions(dir));
  struct Case {
    const char* control;
    int pixels;
  };
  for (const Case& c : {Case{"透明标签13", 48}, Case{"透明标签_公告", 16}, Case{"编辑框_状态", 12},
                        Case{"编辑框_百度密钥", 12}, Case{"按钮_反馈建议", 12}, Case{"超级列表框_坐标拾取", 12}}) {
    QFont font = control(&w, c.control)->font();
    EXPECT_EQ(font.pixelSize(), c.pixels) << c.control;
    EXPECT_EQ(font.family(), QStringLiteral("微软雅黑")) << c.control;
  }
  // Buttons inside a YaHei group box keep the GUI font, as window controls do.
  EXPECT_EQ(control(&w, "按钮_开始采集")->font().family(), QApplication::font().family());
  QFont tabs = control<QTabWidget>(&w, "高级选择夹1")->tabBar()->font();
  EXPECT_EQ(tabs.family(), QStringLiteral("新宋体"));
  EXPECT_EQ(tabs.pixelSize(), 12);
}

}  // namespace
}  // namespace tessary::app::testing
