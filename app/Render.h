#pragma once
// Draws every window and page into PNG files for review (works offscreen).

#include <QString>
#include <QStringList>

namespace tessary::app {

// Writes main-page0.png ... main-page3.png, trade-picker.png, city-picker.png and
// amap-city-picker.png into dir; returns the files written.
QStringList renderWindows(const QString& dir);

}  // namespace tessary::app
