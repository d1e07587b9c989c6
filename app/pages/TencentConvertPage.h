#pragma once
// Handlers of the Tencent conversion page, 腾讯坐标转换.

#include "app/PageController.h"

namespace tessary::app {

class TencentConvertPage : public PageController {
  Q_OBJECT

 public:
  explicit TencentConvertPage(MainWindow& window) : PageController(window, 2) {}

  // start, stop, clear, importCoordinates and exportList are filled by the conversion work.
};

}  // namespace tessary::app
