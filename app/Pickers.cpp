#include "app/Pickers.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTextCursor>
#include <QTreeWidget>

#include "app/Startup.h"
#include "ui_AmapCityPicker.h"
#include "ui_CityPicker.h"
#include "ui_TradePicker.h"

namespace tessary::app {
namespace {

constexpr int kItemHeight = 20;

// Tree rows are 20 pixels high whatever the font.
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
  }
};

QStringList nonBlankLines(const QString& text) {
  QStringList lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    QString trimmed = line.trimmed();
    if (!trimmed.isEmpty()) lines << trimmed;
  }
  return lines;
}

// Appends lines at the end of the box, one per line, keeping the user's undo history.
void appendLines(QPlainTextEdit* box, const QStringList& lines) {
  if (lines.isEmpty()) return;
  QString text = box->toPlainText();
  QString prefix = (text.isEmpty() || text.endsWith(QLatin1Char('\n'))) ? QString() : QStringLiteral("\n");
  QTextCursor cursor(box->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(prefix + lines.join(QLatin1Char('\n')));
  box->moveCursor(QTextCursor::End);
  box->ensureCursorVisible();
}

}  // namespace

void setFixedWindow(QWidget* window, QSize clientSize) {
  window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
  window->setFixedSize(clientSize);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(clientSize.width() / 2, clientSize.height() / 2));
  }
}

PickerDialog::PickerDialog(QPlainTextEdit* target) : QDialog(nullptr), target_(target) {
  setAttribute(Qt::WA_DeleteOnClose);
}

void PickerDialog::bind(QTreeWidget* tree, QPlainTextEdit* chosen, QPushButton* save, QPushButton* clear,
                        const std::vector<PickerGroup>& table, bool boldGroups) {
  tree_ = tree;
  chosen_ = chosen;
  usePixelFonts(this);
  setFixedWindow(this, size());
  // Enter in the chosen box starts a new line; nowhere else does it press a button.
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }

  tree->setItemDelegate(new FixedHeightDelegate(tree));
  tree->setRootIsDecorated(true);
  tree->setItemsExpandable(true);
  for (const PickerGroup& group : table) {
    auto* top = new QTreeWidgetItem(tree, QStringList(QString::fromUtf8(group.name)));
    if (boldGroups) {
      QFont bold = tree->font();
      bold.setBold(true);
      top->setFont(0, bold);
    }
    for (const char* entry : group.items) {
      new QTreeWidgetItem(top, QStringList(QString::fromUtf8(entry)));
    }
  }
  tree->collapseAll();
  if (tree->topLevelItemCount() > 0) tree->setCurrentItem(tree->topLevelItem(0));

  connect(tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { takeItem(item); });
  tree->installEventFilter(this);
  connect(save, &QPushButton::clicked, this, [this] { this->save(); });
  connect(clear, &QPushButton::clicked, chosen, &QPlainTextEdit::clear);
}

bool PickerDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space) {
      QTreeWidgetItem* item = tree_->currentItem();
      if (item && !item->parent() && key->key() != Qt::Key_Space) {
        item->setExpanded(!item->isExpanded());
      } else {
        takeItem(item);
      }
      return true;  // the dialog never sees Enter: no button press, no focus move
    }
  }
  return QDialog::eventFilter(watched, event);
}

void PickerDialog::takeItem(QTreeWidgetItem* item) {
  if (!item || !item->parent()) return;  // groups add nothing
  choose(item->text(0));
}

void PickerDialog::choose(const QString& entry) {
  const QString trimmed = entry.trimmed();
  if (trimmed.isEmpty() || chosenLines().contains(trimmed)) return;
  appendLines(chosen_, {trimmed});
}

QStringList PickerDialog::chosenLines() const {
  return nonBlankLines(chosen_->toPlainText());
}

void PickerDialog::save() {
  if (target_) {
    const QStringList present = nonBlankLines(target_->toPlainText());
    QStringList added;
    for (const QString& line : chosenLines())
      if (!present.contains(line) && !added.contains(line)) added << line;
    appendLines(target_, added);
  }
  close();
}

TradePicker::TradePicker(QPlainTextEdit* target) : PickerDialog(target), ui_(std::make_unique<Ui::TradePicker>()) {
  ui_->setupUi(this);
  bind(ui_->树型框1, ui_->编辑框_已选行业分类, ui_->按钮_保存, ui_->按钮_清空, tradeTable(), true);
}
TradePicker::~TradePicker() = default;

CityPicker::CityPicker(QPlainTextEdit* target) : PickerDialog(target), ui_(std::make_unique<Ui::CityPicker>()) {
  ui_->setupUi(this);
  bind(ui_->树型框_采集地区, ui_->编辑框_已选城市名, ui_->按钮_保存, ui_->按钮_清空, nationalCityTable(), true);
}
CityPicker::~CityPicker() = default;

AmapCityPicker::AmapCityPicker(QPlainTextEdit* target)
    : PickerDialog(target), ui_(std::make_unique<Ui::AmapCityPicker>()) {
  ui_->setupUi(this);
  bind(ui_->树型框_高德地图, ui_->编辑框_已选城市名, ui_->按钮_保存, ui_->按钮_清空, amapCityTable(), false);
}
AmapCityPicker::~AmapCityPicker() = default;

}  // namespace tessary::app
