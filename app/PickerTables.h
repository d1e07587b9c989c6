#pragma once
// The built-in tables behind the three picker windows: groups with their entries, in
// display order. Amap entries read "name|code", the form the Amap place search splits.

#include <vector>

namespace tessary::app {

struct PickerGroup {
  const char* name;
  std::vector<const char*> items;
};

const std::vector<PickerGroup>& tradeTable();         // 16 groups, 144 trade words
const std::vector<PickerGroup>& nationalCityTable();  // 31 groups, 293 city names
const std::vector<PickerGroup>& amapCityTable();      // 28 groups, 334 "name|code" lines

}  // namespace tessary::app
