// keys.ini: the profile file's one-entry reads and writes, and the key boxes that mirror it.

#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/KeyStore.h"
#include "app/ProfileFile.h"
#include "tests/app/AppTestSupport.h"

namespace tessary::app::testing {
namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void spill(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

class ProfileFileTest : public ::testing::Test {
 protected:
  std::string path() const { return dir.filePath(QStringLiteral("keys.ini")).toStdString(); }
  QTemporaryDir dir;
};

TEST_F(ProfileFileTest, WritesOneEntryAndKeepsEverythingElseByteForByte) {
  struct Case {
    const char* what;
    std::string before;
    const char* section;
    const char* value;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"no file", "", "tencent", "K1", "[tencent]\nkey=K1\n"},
      {"value replaced, CRLF and comments kept, name spelled as in the file",
       "; my keys\r\n[Tencent]\r\nKEY = old\r\nother=1\r\n\r\n[baidu]\r\nkey=B\r\n", "tencent", "new",
       "; my keys\r\n[Tencent]\r\nKEY =new\r\nother=1\r\n\r\n[baidu]\r\nkey=B\r\n"},
      {"entry added after the section's last line, before blank lines", "[baidu]\nak=x\n\n[other]\nkey=o\n", "baidu",
       "B", "[baidu]\nak=x\nkey=B\n\n[other]\nkey=o\n"},
      {"section added at the end of a file without a final line break", "[other]\nx=1", "baidu", "B",
       "[other]\nx=1\n[baidu]\nkey=B\n"},
      {"a commented-out entry is not the entry", "[tencent]\n;key=old\n", "tencent", "K",
       "[tencent]\n;key=old\nkey=K\n"},
      {"empty value", "[tencent]\nkey=K\n", "tencent", "", "[tencent]\nkey=\n"},
      {"blanks at the ends survive by quoting", "", "tencent", " a b ", "[tencent]\nkey=\" a b \"\n"},
      {"a line break cannot smuggle in a section", "", "tencent", "K\n[baidu]\r\nkey=evil",
       "[tencent]\nkey=K[baidu]key=evil\n"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(path());
    if (!c.before.empty()) spill(path(), c.before);
    ASSERT_TRUE(writeProfileString(path(), c.section, "key", c.value)) << c.what;
    EXPECT_EQ(slurp(path()), c.after) << c.what;
  }
}

TEST_F(ProfileFileTest, ReadsWhatWasWrittenExactly) {
  for (const char* value : {"plain", "with inner blanks", "  leading", "trailing  ", "\"quoted\"", "'single'", "a=b;c",
                            "", "\xd6\xd0\xce\xc4"}) {
    ASSERT_TRUE(writeProfileString(path(), "baidu", "key", value));
    EXPECT_EQ(readProfileString(path(), "baidu", "key"), std::optional<std::string>(value)) << value;
  }
  EXPECT_EQ(readProfileString(path(), "tencent", "key"), std::nullopt);
  EXPECT_EQ(readProfileString(dir.filePath("missing.ini").toStdString(), "baidu", "key"), std::nullopt);
}

TEST_F(ProfileFileTest, OnlyTheOwnerMayReadIt) {
  ASSERT_TRUE(writeProfileString(path(), "tencent", "key", "secret"));
  struct stat st {};
  ASSERT_EQ(stat(path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  int leftovers = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString()))
    leftovers += entry.path().filename() != "keys.ini";
  EXPECT_EQ(leftovers, 0) << "no temporary file stays behind";
}

TEST_F(ProfileFileTest, AFolderThatCannotBeWrittenFailsQuietly) {
  // /proc takes no new files, even from root.
  EXPECT_FALSE(writeProfileString("/proc/tessary-test/keys.ini", "tencent", "key", "K"));
  EXPECT_FALSE(writeProfileString("/proc/keys.ini", "tencent", "key", "K"));
  // A folder in place of the file: the write fails and the folder is untouched.
  std::filesystem::create_directory(path());
  EXPECT_FALSE(writeProfileString(path(), "tencent", "key", "K"));
  EXPECT_TRUE(std::filesystem::is_directory(path()));
}

class KeyBoxTest : public ::testing::Test {
 protected:
  std::string path() const { return dir.filePath(QStringLiteral("keys.ini")).toStdString(); }
  std::unique_ptr<MainWindow> start(MainWindow::Options options) {
    auto w = std::make_unique<MainWindow>(options);
    w->show();
    return w;
  }
  std::unique_ptr<MainWindow> start() { return start(quietOptions(dir)); }
  QTemporaryDir dir;
};

TEST_F(KeyBoxTest, TypedKeysSurviveARestartAndOtherSectionsStay) {
  const std::string handMade =
      "; written by hand\r\n[proxy]\r\nhost=10.0.0.1\r\n[tencent]\r\nkey=OLD-T\r\nnote=keep me\r\n";
  spill(path(), handMade);
  {
    auto w = start();
    EXPECT_EQ(control<QLineEdit>(w.get(), "编辑框_腾讯密钥")->text(), QStringLiteral("OLD-T"));
    EXPECT_EQ(slurp(path()), handMade) << "showing the keys writes nothing";
    EXPECT_EQ(w->tencentKey(), "OLD-T");

    auto* baidu = control<QLineEdit>(w.get(), "编辑框_百度密钥");
    baidu->setFocus();
    QTest::keyClicks(baidu, QStringLiteral("ab cd"));
    EXPECT_EQ(w->baiduKey(), "ab cd");
    EXPECT_EQ(slurp(path()), handMade + "[baidu]\r\nkey=ab cd\r\n") << "the tencent section is untouched";

    auto* tencent = control<QLineEdit>(w.get(), "编辑框_腾讯密钥");
    tencent->setText(QStringLiteral(" 新 key "));
  }
  auto w = start();
  EXPECT_EQ(control<QLineEdit>(w.get(), "编辑框_百度密钥")->text(), QStringLiteral("ab cd"));
  EXPECT_EQ(control<QLineEdit>(w.get(), "编辑框_腾讯密钥")->text(), QStringLiteral(" 新 key "));
  const std::string text = slurp(path());
  EXPECT_NE(text.find("host=10.0.0.1\r\n"), std::string::npos);
  EXPECT_NE(text.find("note=keep me\r\n"), std::string::npos);
  EXPECT_NE(text.find("key=\" \xd0\xc2 key \"\r\n"), std::string::npos) << "GBK text in the file";

  // Clearing a box leaves the entry, empty.
  control<QLineEdit>(w.get(), "编辑框_百度密钥")->clear();
  EXPECT_EQ(readProfileString(path(), "baidu", "key"), std::optional<std::string>(""));
}

TEST_F(KeyBoxTest, MissingOrUnwritableFileGivesEmptyBoxesAndNoMessage) {
  auto options = quietOptions(dir);
  options.keysPath = "/proc/tessary-test/keys.ini";
  auto w = start(options);
  auto* box = control<QLineEdit>(w.get(), "编辑框_腾讯密钥");
  EXPECT_TRUE(box->text().isEmpty());
  box->setFocus();
  QTest::keyClicks(box, QStringLiteral("K-123"));
  QApplication::processEvents();
  EXPECT_EQ(box->text(), QStringLiteral("K-123")) << "the key stays in its box";
  EXPECT_EQ(w->tencentKey(), "K-123");
  EXPECT_TRUE(otherShownWindows(w.get()).isEmpty()) << "no message";
}

TEST(KeyStorePath, FollowsTheEnvironmentElseBesideTheProgram) {
  qputenv("TESSARY_KEYS_INI", "/somewhere/keys.ini");
  EXPECT_EQ(KeyStore::defaultPath(), "/somewhere/keys.ini");
  qunsetenv("TESSARY_KEYS_INI");
  EXPECT_EQ(KeyStore::defaultPath(), (QCoreApplication::applicationDirPath() + "/keys.ini").toStdString());
}

}  // namespace
}  // namespace tessary::app::testing
