// The three pickers: their trees, how entries are chosen, save and clear, Esc.

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <map>
#include <set>

#include "app/PickerTables.h"
#include "app/Pickers.h"
#include "tests/app/AppTestSupport.h"

namespace tessary::app::testing {
namespace {

int itemCount(QTreeWidget* tree) {
  int n = tree->topLevelItemCount();
  for (int i = 0; i < tree->topLevelItemCount(); ++i) n += tree->topLevelItem(i)->childCount();
  return n;
}

struct PickerCase {
  const char* name;
  std::function<PickerDialog*(QPlainTextEdit*)> make;
  const char* caption;
  QSize client;  // outer size less the frame and caption bar
  int groups;
  int items;
  const char* firstGroup;
  const char* lastGroup;
  bool bold;
};

const std::vector<PickerCase>& pickerCases() {
  static const std::vector<PickerCase> cases = {
      {"TradePicker",
       [](QPlainTextEdit* t) -> PickerDialog* { return new TradePicker(t); },
       "内置行业设置",
       {374, 340},
       16,
       160,
       "美食行业",
       "娱乐休闲行业",
       true},
      {"CityPicker",
       [](QPlainTextEdit* t) -> PickerDialog* { return new CityPicker(t); },
       "内置全国城市选择",
       {374, 337},
       31,
       324,
       "四川省",
       "重庆",
       true},
      {"AmapCityPicker",
       [](QPlainTextEdit* t) -> PickerDialog* { return new AmapCityPicker(t); },
       "内置全国城市选择-高德",
       {374, 337},
       28,
       362,
       "安徽",
       "直辖市",
       false},
  };
  return cases;
}

class PickerTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    target = std::make_unique<QPlainTextEdit>();
    picker = pickerCases()[static_cast<std::size_t>(GetParam())].make(target.get());
    picker->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));
  }
  void TearDown() override {
    if (picker) picker->close();
    QApplication::processEvents();
  }
  const PickerCase& param() const { return pickerCases()[static_cast<std::size_t>(GetParam())]; }

  // The first entry of the first group that has entries.
  QTreeWidgetItem* firstEntry() {
    QTreeWidget* tree = picker->tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
      if (tree->topLevelItem(i)->childCount()) return tree->topLevelItem(i)->child(0);
    return nullptr;
  }
  void clickItem(QTreeWidgetItem* item) {
    QTreeWidget* tree = picker->tree();
    tree->scrollToItem(item);
    QRect r = tree->visualItemRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
  }

  std::unique_ptr<QPlainTextEdit> target;
  QPointer<PickerDialog> picker;
};

TEST_P(PickerTest, OpensWithItsTableCollapsedAndTheFirstItemCurrent) {
  const PickerCase& c = param();
  EXPECT_EQ(picker->objectName(), QString::fromUtf8(c.name));
  EXPECT_EQ(picker->windowTitle(), QString::fromUtf8(c.caption));
  EXPECT_EQ(picker->size(), c.client);
  EXPECT_EQ(picker->minimumSize(), picker->maximumSize());
  EXPECT_FALSE(picker->windowFlags() & Qt::WindowMaximizeButtonHint);

  QTreeWidget* tree = picker->tree();
  EXPECT_EQ(tree->topLevelItemCount(), c.groups);
  EXPECT_EQ(itemCount(tree), c.items);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QString::fromUtf8(c.firstGroup));
  EXPECT_EQ(tree->topLevelItem(c.groups - 1)->text(0), QString::fromUtf8(c.lastGroup));
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
  EXPECT_EQ(tree->visualItemRect(tree->topLevelItem(1)).height(), 20);
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    EXPECT_FALSE(tree->topLevelItem(i)->isExpanded());
    EXPECT_EQ(tree->topLevelItem(i)->font(0).bold(), c.bold);
  }
  EXPECT_TRUE(picker->chosenBox()->toPlainText().isEmpty());
  for (const char* button : {"按钮_保存", "按钮_清空"}) EXPECT_NE(control<QPushButton>(picker, button), nullptr);
}

TEST_P(PickerTest, MouseEnterAndSpaceChooseAnEntryOnceWhileArrowsAndGroupsAddNothing) {
  QTreeWidget* tree = picker->tree();
  QTreeWidgetItem* group = tree->topLevelItem(0);
  tree->setFocus();

  clickItem(group);  // already current: nothing
  QTest::keyClick(tree, Qt::Key_Down);
  QTest::keyClick(tree, Qt::Key_Down);
  QTest::keyClick(tree, Qt::Key_Up);
  EXPECT_TRUE(picker->chosenBox()->toPlainText().isEmpty()) << "arrow keys only browse";

  QTreeWidgetItem* entry = firstEntry();
  entry->parent()->setExpanded(true);
  clickItem(entry);
  clickItem(entry);
  EXPECT_EQ(picker->chosenLines(), QStringList{entry->text(0)});

  QTreeWidgetItem* second = entry->parent()->child(1);
  tree->setCurrentItem(second);
  QTest::keyClick(tree, Qt::Key_Return);
  QTreeWidgetItem* third = entry->parent()->child(2);
  tree->setCurrentItem(third);
  QTest::keyClick(tree, Qt::Key_Space);
  QTest::keyClick(tree, Qt::Key_Space);
  EXPECT_EQ(picker->chosenLines(), (QStringList{entry->text(0), second->text(0), third->text(0)}));
  EXPECT_TRUE(picker->isVisible()) << "Enter presses no button";

  clickItem(entry->parent());
  EXPECT_EQ(picker->chosenLines().size(), 3) << "a group adds nothing";
}

TEST_P(PickerTest, SaveAddsWhatTheMainBoxLacksAndCloses) {
  target->setPlainText(QStringLiteral("已有\n"));
  picker->chosenBox()->setPlainText(QStringLiteral("甲\n已有\n\n乙\n甲"));
  QTest::mouseClick(control(picker, "按钮_保存"), Qt::LeftButton);
  EXPECT_EQ(target->toPlainText(), QStringLiteral("已有\n甲\n乙"));
  EXPECT_TRUE(waitUntil([&] { return picker.isNull(); })) << "the picker closes";
}

TEST_P(PickerTest, ClearEmptiesOnlyTheChosenBox) {
  target->setPlainText(QStringLiteral("上海"));
  picker->chosenBox()->setPlainText(QStringLiteral("甲\n乙"));
  QTest::mouseClick(control(picker, "按钮_清空"), Qt::LeftButton);
  EXPECT_TRUE(picker->chosenBox()->toPlainText().isEmpty());
  EXPECT_EQ(target->toPlainText(), QStringLiteral("上海"));
  EXPECT_TRUE(picker->isVisible());
}

TEST_P(PickerTest, EscCloses) {
  picker->tree()->setFocus();
  QTest::keyClick(picker->tree(), Qt::Key_Escape);
  EXPECT_TRUE(waitUntil([&] { return picker.isNull() || !picker->isVisible(); }));
}

INSTANTIATE_TEST_SUITE_P(EveryPicker, PickerTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(pickerCases()[static_cast<std::size_t>(info.param)].name);
                         });

TEST(PickerTrees, MunicipalitiesAndTheirCodes) {
  CityPicker city(nullptr);
  QTreeWidget* tree = city.tree();
  for (int i = 27; i < 31; ++i) {
    EXPECT_EQ(tree->topLevelItem(i)->childCount(), 0);
    EXPECT_EQ(tree->topLevelItem(i)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  }
  AmapCityPicker amap(nullptr);
  QTreeWidgetItem* municipalities = amap.tree()->topLevelItem(27);
  QStringList rows;
  for (int i = 0; i < municipalities->childCount(); ++i) rows << municipalities->child(i)->text(0);
  EXPECT_EQ(rows, (QStringList{"北京|110000", "天津|120000", "上海|310000", "重庆|500000"}));
}

// Every Amap line must name the division its code stands for, or the Amap search looks in
// another place. Checked against the GB/T 2260 list; 那曲 became a city with 540600 after
// that list was published, and the four municipalities carry their province-level codes.
TEST(PickerTables, AmapLinesMatchTheDivisionCodes) {
  QFile csv(QStringLiteral(TESSARY_SHARED_DATA "/gbt2260-2016.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
  std::map<QString, QString> nameOf;  // code -> full name
  std::map<QString, QString> provinceOf;
  while (!csv.atEnd()) {
    QStringList f = QString::fromUtf8(csv.readLine()).trimmed().split(QLatin1Char(','));
    if (f.size() < 4 || f[0] == QLatin1String("code")) continue;
    nameOf[f[0]] = f[1];
    provinceOf[f[0]] = f[2];
  }
  const std::set<QString> exceptions = {"那曲|540600", "北京|110000", "天津|120000", "上海|310000", "重庆|500000"};
  int rows = 0;
  for (const PickerGroup& group : amapCityTable()) {
    for (const char* item : group.items) {
      ++rows;
      const QString line = QString::fromUtf8(item);
      const QStringList parts = line.split(QLatin1Char('|'));
      ASSERT_EQ(parts.size(), 2) << item;
      EXPECT_EQ(parts[1].size(), 6) << item;
      if (exceptions.count(line)) continue;
      auto it = nameOf.find(parts[1]);
      ASSERT_NE(it, nameOf.end()) << item << ": no such code";
      EXPECT_TRUE(it->second.startsWith(parts[0])) << item << " is " << it->second.toStdString();
      EXPECT_TRUE(provinceOf[parts[1]].startsWith(QString::fromUtf8(group.name))) << item << " under " << group.name;
    }
  }
  EXPECT_EQ(rows, 334);
}

TEST(PickerTables, NamesTheCitiesAsSearchesKnowThem) {
  std::set<std::string> national;
  int entries = 0;
  for (const PickerGroup& g : nationalCityTable())
    for (const char* item : g.items) {
      national.insert(item);
      ++entries;
    }
  EXPECT_EQ(entries, 293);
  EXPECT_TRUE(national.count("绍兴"));
  EXPECT_FALSE(national.count("绍州"));
  EXPECT_EQ(std::string(nationalCityTable()[7].name), "广西省") << "group names stay as given";

  std::map<std::string, int> trades;
  for (const PickerGroup& g : tradeTable())
    for (const char* item : g.items) ++trades[item];
  EXPECT_EQ(trades["咖啡厅"], 2);
  EXPECT_EQ(trades["童装店"], 2);
}

}  // namespace
}  // namespace tessary::app::testing
