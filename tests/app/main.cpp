// The GUI tests run inside one QApplication, on the offscreen platform unless told otherwise.

#include <QApplication>

#include <gtest/gtest.h>

#include "app/Startup.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessary::app::initResources();
  tessary::app::installFonts(app);
  tessary::app::applySkin(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
