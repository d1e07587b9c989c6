#pragma once
// Handlers of the address page, 坐标地址解析: turns coordinates into addresses.

#include "app/PageController.h"

namespace tessary::app {

class ResolvePage : public PageController {
  Q_OBJECT

 public:
  explicit ResolvePage(MainWindow& window) : PageController(window, 3) {}

  // start, stop, clear, importCoordinates and exportList are filled by the conversion work.
};

}  // namespace tessary::app
