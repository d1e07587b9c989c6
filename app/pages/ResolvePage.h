#pragma once
// Handlers of the address page, 坐标地址解析: turns coordinates into addresses.

#include "app/MainWindow.h"
#include "app/pages/CoordinatePage.h"

namespace tessary::app {

class ResolvePage : public CoordinatePageController {
  Q_OBJECT

 public:
  explicit ResolvePage(MainWindow& window)
      : CoordinatePageController(window, MainWindow::ResolveAddresses, CoordinatePage::ReverseGeocoding,
                                 "编辑框_待解析坐标", nullptr) {}
};

}  // namespace tessary::app
