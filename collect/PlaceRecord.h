#pragma once
// One collected place and the columns of the collection list.

#include <array>
#include <string>

#include "coords/RunListener.h"

namespace tessary {

struct PlaceRecord {
  std::string serial;      // "编号": the row's number in the list
  std::string title;       // "标题"
  std::string coordinate;  // "地图坐标": longitude (Baidu x) first, then latitude (Baidu y)
  std::string address;     // "地址"
  std::string area;        // "区域"
  std::string trade;       // "行业"
  std::string phone;       // no column
  std::string serviceId;   // no column; the service's own identifier, when it gives one

  Row cells() const { return {serial, title, coordinate, address, area, trade}; }
};

inline constexpr std::array<const char*, 6> kPlaceColumns{"编号", "标题", "地图坐标",
                                                          "地址", "区域", "行业"};

// The coordinate cell, the same order for every service.
inline std::string coordinateCell(const std::string& longitude, const std::string& latitude) {
  return longitude + "," + latitude;
}

}  // namespace tessary
