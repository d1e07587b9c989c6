#pragma once
// Handlers of the collection page, 地图坐标拾取: collects places for every city and keyword.

#include "app/PageController.h"

namespace tessary::app {

class CollectPage : public PageController {
  Q_OBJECT

 public:
  explicit CollectPage(MainWindow& window) : PageController(window, 0) {}

  void clear() override;  // empties the result list and nothing else
};

}  // namespace tessary::app
