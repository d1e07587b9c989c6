#pragma once
// The page controllers the program runs with, one per page.

#include <memory>

#include "app/PageController.h"

namespace tessary::app {

std::unique_ptr<PageController> makePage(int page, MainWindow& window);

}  // namespace tessary::app
