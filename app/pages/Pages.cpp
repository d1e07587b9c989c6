#include "app/pages/Pages.h"

#include "app/pages/BaiduConvertPage.h"
#include "app/pages/CollectPage.h"
#include "app/pages/ResolvePage.h"
#include "app/pages/TencentConvertPage.h"

namespace tessary::app {

std::unique_ptr<PageController> makePage(int page, MainWindow& window) {
  switch (page) {
    case 0:
      return std::make_unique<CollectPage>(window);
    case 1:
      return std::make_unique<BaiduConvertPage>(window);
    case 2:
      return std::make_unique<TencentConvertPage>(window);
    case 3:
      return std::make_unique<ResolvePage>(window);
  }
  return nullptr;
}

}  // namespace tessary::app
