#pragma once
// The three picker windows. Each shows a built-in table as a two-level tree and a box of
// chosen entries. An entry (depth 2) chosen with the mouse, Enter or Space is added to the
// box once; browsing with the arrow keys adds nothing, and neither does a group.
// 按钮_保存 adds the chosen lines that the main window's box lacks and closes the picker;
// 按钮_清空 empties the chosen box.

#include <QDialog>
#include <QPointer>

#include <memory>
#include <vector>

#include "app/PickerTables.h"

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ui {
class TradePicker;
class CityPicker;
class AmapCityPicker;
}  // namespace Ui

namespace tessary::app {

class PickerDialog : public QDialog {
  Q_OBJECT

 public:
  QTreeWidget* tree() const { return tree_; }
  QPlainTextEdit* chosenBox() const { return chosen_; }
  // The chosen box's lines, blank ones left out.
  QStringList chosenLines() const;
  // Adds one entry unless the box holds it already.
  void choose(const QString& entry);

 protected:
  explicit PickerDialog(QPlainTextEdit* target);
  void bind(QTreeWidget* tree, QPlainTextEdit* chosen, QPushButton* save, QPushButton* clear,
            const std::vector<PickerGroup>& table, bool boldGroups);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void takeItem(QTreeWidgetItem* item);
  void save();

  QPointer<QPlainTextEdit> target_;
  QTreeWidget* tree_ = nullptr;
  QPlainTextEdit* chosen_ = nullptr;
};

class TradePicker : public PickerDialog {
  Q_OBJECT

 public:
  explicit TradePicker(QPlainTextEdit* target);
  ~TradePicker() override;

 private:
  std::unique_ptr<Ui::TradePicker> ui_;
};

class CityPicker : public PickerDialog {
  Q_OBJECT

 public:
  explicit CityPicker(QPlainTextEdit* target);
  ~CityPicker() override;

 private:
  std::unique_ptr<Ui::CityPicker> ui_;
};

class AmapCityPicker : public PickerDialog {
  Q_OBJECT

 public:
  explicit AmapCityPicker(QPlainTextEdit* target);
  ~AmapCityPicker() override;

 private:
  std::unique_ptr<Ui::AmapCityPicker> ui_;
};

// Every window shares these: fixed size, minimise and close buttons, no maximise button,
// centred on the screen.
void setFixedWindow(QWidget* window, QSize clientSize);

}  // namespace tessary::app
