#include "collect/PlaceSearch.h"

#include "collect/Exchange.h"

namespace tessary {

using namespace collect_detail;

std::string_view sourceName(MapSource source) {
  switch (source) {
    case MapSource::Baidu: return "baidu";
    case MapSource::Amap: return "amap";
    case MapSource::Tencent: return "tencent";
  }
  return {};
}

std::optional<MapSource> sourceFromName(std::string_view name) {
  for (MapSource s : {MapSource::Baidu, MapSource::Amap, MapSource::Tencent})
    if (sourceName(s) == name) return s;
  return std::nullopt;
}

std::unique_ptr<PlaceSearch> makePlaceSearch(MapSource source, SearchSettings settings) {
  switch (source) {
    case MapSource::Baidu: return makeBaiduSearch(std::move(settings));
    case MapSource::Amap: return makeAmapSearch(std::move(settings));
    case MapSource::Tencent: return makeTencentSearch(std::move(settings));
  }
  return nullptr;
}

bool PlaceSearch::lastPage(const SearchResult& result, int page) const {
  if (result.noResults || result.places.empty()) return true;
  if (result.entries < pageSize()) return true;
  if (result.totalCount) {
    long pages = (*result.totalCount + static_cast<long>(pageSize()) - 1) /
                 static_cast<long>(pageSize());
    if (page >= pages) return true;
  }
  return false;
}

std::string cityName(std::string_view cityLine) {
  return trimmed(cityLine.substr(0, cityLine.find('|')));
}

namespace collect_detail {

std::string trimmed(std::string_view text) {
  static constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  while (true) {
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
      text.remove_prefix(1);
    } else if (text.starts_with(kIdeographicSpace)) {
      text.remove_prefix(kIdeographicSpace.size());
    } else {
      break;
    }
  }
  while (true) {
    if (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
      text.remove_suffix(1);
    } else if (text.ends_with(kIdeographicSpace)) {
      text.remove_suffix(kIdeographicSpace.size());
    } else {
      break;
    }
  }
  return std::string(text);
}

}  // namespace collect_detail
}  // namespace tessary
