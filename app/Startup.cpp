#include "app/Startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QPixmap>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

static void initTessaryResources() {
  Q_INIT_RESOURCE(tessary);
}

namespace tessary::app {

void initResources() {
  initTessaryResources();
}

void installFonts(QApplication& app) {
  const QStringList installed = QFontDatabase::families();
  const QStringList cjk = {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                           QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                           QStringLiteral("Droid Sans Fallback")};
  QStringList present;
  for (const QString& face : cjk)
    if (installed.contains(face, Qt::CaseInsensitive)) present << face;
  for (const QString& face : {QStringLiteral("微软雅黑"), QStringLiteral("新宋体")})
    if (!installed.contains(face) && !present.isEmpty()) QFont::insertSubstitutions(face, present);

  QFont gui = app.font();
  if (!present.isEmpty() && !installed.contains(gui.family())) gui.setFamily(present.front());
  gui.setPixelSize(12);
  app.setFont(gui);
}

void usePixelFonts(QWidget* root) {
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;  // a control's inner parts
    if (w->testAttribute(Qt::WA_SetFont)) {
      QFont f = w->font();
      if (f.pointSizeF() > 0) {
        f.setPixelSize(qRound(f.pointSizeF() * 4.0 / 3.0));
        w->setFont(f);
      }
    } else if (w != root) {
      w->setFont(QApplication::font(w));
    }
  }
}

bool applySkin(QApplication& app) {
  QFile file(QStringLiteral(":/skin/tessary.qss"));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray sheet = file.readAll();
  if (sheet.isEmpty()) return false;
  app.setStyleSheet(QString::fromUtf8(sheet));
  return true;
}

QString shortcutPath() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
  if (dir.isEmpty()) return {};
  return QDir(dir).filePath(QStringLiteral("Tessary_免费版.desktop"));
}

namespace {

// Desktop entry Exec values quote the path and escape what the quotes would not protect.
QString execValue(const QString& path) {
  QString escaped;
  for (QChar c : path) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
      escaped += QLatin1String("\\\\");
    if (c == QLatin1Char('%')) escaped += QLatin1Char('%');
    escaped += c;
  }
  return QLatin1Char('"') + escaped + QLatin1Char('"');
}

}  // namespace

bool placeShortcut() {
#ifdef Q_OS_LINUX
  const QString path = shortcutPath();
  const QString program = QCoreApplication::applicationFilePath();
  if (path.isEmpty() || program.isEmpty()) return false;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;

  // The icon goes next to the entry's folder so the menu shows our picture.
  QString iconPath = QDir(QFileInfo(path).absolutePath()).filePath(QStringLiteral("../icons/tessary.png"));
  iconPath = QDir::cleanPath(iconPath);
  QDir().mkpath(QFileInfo(iconPath).absolutePath());
  bool haveIcon = QPixmap(QStringLiteral(":/icons/app.png")).save(iconPath, "PNG");

  QString text = QStringLiteral(
                     "[Desktop Entry]\n"
                     "Type=Application\n"
                     "Name=Tessary_免费版\n"
                     "Comment=百度/高德/腾讯地图 地点采集与坐标转换\n"
                     "Exec=%1\n"
                     "Path=%2\n"
                     "Terminal=false\n"
                     "Categories=Utility;\n")
                     .arg(execValue(program), QFileInfo(program).absolutePath());
  if (haveIcon) text += QStringLiteral("Icon=%1\n").arg(iconPath);

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(text.toUtf8());
  if (!file.commit()) return false;
  QFile::setPermissions(path,
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ReadOther);
  return true;
#else
  return false;  // the Windows .lnk is written by the shell-link object; not built here
#endif
}

}  // namespace tessary::app
