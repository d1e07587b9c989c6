#pragma once
// Handlers of the Baidu conversion page, 百度坐标转换.

#include "app/PageController.h"

namespace tessary::app {

class BaiduConvertPage : public PageController {
  Q_OBJECT

 public:
  explicit BaiduConvertPage(MainWindow& window) : PageController(window, 1) {}

  // start, stop, clear, importCoordinates and exportList are filled by the conversion work.
};

}  // namespace tessary::app
