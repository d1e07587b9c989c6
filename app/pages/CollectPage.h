#pragma once
// Handlers of the collection page, 地图坐标拾取: collects places for every city and keyword.

#include <memory>

#include "app/PageController.h"
#include "app/pages/ListExport.h"
#include "collect/PlaceSearch.h"

namespace tessary {
class CollectionJob;
}

namespace tessary::app {

class CollectPage : public PageController {
  Q_OBJECT

 public:
  explicit CollectPage(MainWindow& window);
  ~CollectPage() override;  // stops a run still going and waits for it

  bool running() const override;
  // The map source whose radio button is selected.
  MapSource chosenSource() const;

  // The hint shown when Amap is chosen while the city box holds lines without a code.
  static const char* const kAmapCityHint;
  // The answer to 开始拾取 while a run is under way.
  static const char* const kAlreadyRunning;

 public slots:
  void start() override;
  void stop() override;
  void clear() override;  // empties the result list and nothing else
  void exportList() override;
  void mapSourceChosen() override;

 private:
  std::unique_ptr<CollectionJob> job_;
  ListExport export_;
};

}  // namespace tessary::app
