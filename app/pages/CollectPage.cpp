#include "app/pages/CollectPage.h"

#include "app/MainWindow.h"
#include "app/ResultModel.h"

namespace tessary::app {

void CollectPage::clear() {
  window().list(MainWindow::CollectPlaces)->clear();
}

}  // namespace tessary::app
