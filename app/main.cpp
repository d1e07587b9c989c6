// tessary: the desktop program.
//   tessary                         starts the main window
//   tessary --render-windows DIR    draws every window and page into PNG files in DIR

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

#include "app/MainWindow.h"
#include "app/Render.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
  const bool render = argc >= 2 && std::strcmp(argv[1], "--render-windows") == 0;
  if (render && argc < 3) {
    std::fprintf(stderr, "usage: tessary --render-windows DIR\n");
    return 2;
  }
  if (render && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  tessary::app::initResources();
  tessary::app::installFonts(app);
  tessary::app::applySkin(app);  // before any window shows; without it the plain look
  app.setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));

  if (render) {
    const QStringList files = tessary::app::renderWindows(QString::fromLocal8Bit(argv[2]));
    for (const QString& f : files) std::printf("%s\n", qPrintable(f));
    return files.size() == 10 ? 0 : 1;
  }

  tessary::app::MainWindow window;
  window.show();
  return app.exec();
}
