#include "app/Render.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "app/MainWindow.h"
#include "app/Pickers.h"
#include "ui_MainWindow.h"

namespace tessary::app {
namespace {

bool save(QWidget* window, const QString& path, QStringList& written) {
  QApplication::processEvents();
  if (!window->grab().save(path, "PNG")) return false;
  written << path;
  return true;
}

}  // namespace

QStringList renderWindows(const QString& dir) {
  QStringList written;
  if (!QDir().mkpath(dir)) return written;
  QTemporaryDir scratch;  // keys.ini of the drawn window: never the user's own

  MainWindow::Options options;
  options.keysPath = scratch.filePath(QStringLiteral("keys.ini")).toStdString();
  options.placeShortcut = false;
  options.fetchNotice = false;
  MainWindow window(options);
  window.show();
  for (int page = 0; page < 4; ++page) {
    window.ui().高级选择夹1->setCurrentIndex(page);
    save(&window, QDir(dir).filePath(QStringLiteral("main-page%1.png").arg(page)), written);
  }
  window.ui().高级选择夹1->setCurrentIndex(0);

  const std::pair<PickerDialog*, const char*> pickers[] = {{new TradePicker(nullptr), "trade-picker.png"},
                                                           {new CityPicker(nullptr), "city-picker.png"},
                                                           {new AmapCityPicker(nullptr), "amap-city-picker.png"}};
  for (const auto& [picker, name] : pickers) {
    picker->show();
    save(picker, QDir(dir).filePath(QString::fromLatin1(name)), written);
    // The same window with its last group open and one entry chosen.
    QTreeWidget* tree = picker->tree();
    QTreeWidgetItem* last = tree->topLevelItem(tree->topLevelItemCount() - 1);
    QTreeWidgetItem* open = last->childCount() ? last : tree->topLevelItem(0);
    open->setExpanded(true);
    tree->scrollToItem(open->child(open->childCount() - 1));
    picker->choose(open->child(0)->text(0));
    save(picker, QDir(dir).filePath(QString::fromLatin1(name).replace(".png", "-open.png")), written);
    picker->close();
  }
  return written;
}

}  // namespace tessary::app
