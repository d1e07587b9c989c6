#pragma once
// Handlers of the Tencent conversion page, 腾讯坐标转换: coordinates into Tencent coordinates.

#include "app/MainWindow.h"
#include "app/pages/CoordinatePage.h"

namespace tessary::app {

class TencentConvertPage : public CoordinatePageController {
  Q_OBJECT

 public:
  explicit TencentConvertPage(MainWindow& window)
      : CoordinatePageController(window, MainWindow::TencentConvert, CoordinatePage::TencentConversion,
                                 "编辑框_腾讯待转换坐标", "分组框3") {}
};

}  // namespace tessary::app
