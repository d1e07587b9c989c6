#pragma once
// Handlers of the Baidu conversion page, 百度坐标转换: coordinates into Baidu coordinates.

#include "app/MainWindow.h"
#include "app/pages/CoordinatePage.h"

namespace tessary::app {

class BaiduConvertPage : public CoordinatePageController {
  Q_OBJECT

 public:
  explicit BaiduConvertPage(MainWindow& window)
      : CoordinatePageController(window, MainWindow::BaiduConvert, CoordinatePage::BaiduConversion,
                                 "编辑框_百度待转换坐标", "分组框11") {}
};

}  // namespace tessary::app
