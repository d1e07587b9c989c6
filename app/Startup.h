#pragma once
// Work done once per process around the windows: resources, fonts, the skin, the
// desktop shortcut. Failures here are silent; the program runs on without them.

#include <QString>

class QApplication;
class QWidget;

namespace tessary::app {

// Makes the compiled-in pictures and the skin available.
void initResources();

// The windows name "微软雅黑" and "新宋体"; where those faces are missing, a CJK face that is
// installed stands in, so every Chinese text renders. Also sets the GUI font.
void installFonts(QApplication& app);

// Window fonts are given in points at 96 dpi (9, 12, 36); they are meant as character
// heights in pixels (12, 16, 48) whatever the screen. Controls without a font of their own
// get the GUI font rather than their parent's, as window controls do.
void usePixelFonts(QWidget* root);

// Our skin: a style sheet compiled in as a resource. False when it cannot be read.
bool applySkin(QApplication& app);

// The desktop entry "Tessary_免费版" pointing at the running executable, placed in the
// user's applications folder and rewritten at every start. False when it cannot be written.
bool placeShortcut();
// Where placeShortcut writes.
QString shortcutPath();

}  // namespace tessary::app
