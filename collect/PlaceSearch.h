#pragma once
// The per-service page search of a collection run. One PlaceSearch belongs to one run: it
// carries the run's key, cancel flag and timeouts, and may remember what it learnt about a
// city line (Baidu's city code).

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/PlaceRecord.h"
#include "net/MapServiceClient.h"

namespace tessary {

enum class MapSource { Baidu, Amap, Tencent };

// The command line's names: "baidu", "amap", "tencent".
std::string_view sourceName(MapSource source);
std::optional<MapSource> sourceFromName(std::string_view name);

struct SearchSettings {
  std::string key;  // the Tencent key; the other services take none
  const std::atomic<bool>* cancel = nullptr;
  Timeouts timeouts;
};

// The outcome of asking for one city line (openCity) or one page (search).
struct SearchResult {
  enum class Outcome {
    Ok,
    NoCity,      // the line names no city the service knows; nothing was or will be asked
    Failed,      // a request failed for good; message says why
    KeyRefused,  // the service refuses the key: every further request would fail alike
    Stopped,     // the run's cancel flag was set
  };
  Outcome outcome = Outcome::Ok;
  std::string message;  // Failed/KeyRefused: the client's numbered message or the reply's reason
  std::vector<PlaceRecord> places;  // in reply order, without serial numbers
  // How many entries the reply listed, read or not: a page whose entries a pattern skips is
  // still a full page.
  std::size_t entries = 0;
  bool noResults = false;              // Amap's no-result marker
  std::optional<long> totalCount;      // Tencent's "count"
  int requests = 0;                    // requests sent, retries included

  bool ok() const { return outcome == Outcome::Ok; }
};

class PlaceSearch {
 public:
  virtual ~PlaceSearch() = default;
  virtual MapSource source() const = 0;
  // Places a full page holds: Baidu 10, Amap and Tencent 20.
  virtual std::size_t pageSize() const = 0;
  // Gets a city line ready before its first page (Baidu looks its code up once, Amap checks
  // for the code). Ok, NoCity, Failed, KeyRefused or Stopped.
  virtual SearchResult openCity(const std::string& cityLine) = 0;
  // One page, counted from 1, of keyword in the city line.
  virtual SearchResult search(const std::string& cityLine, const std::string& keyword,
                              int page) = 0;
  // True when nothing follows this page.
  bool lastPage(const SearchResult& result, int page) const;
};

std::unique_ptr<PlaceSearch> makePlaceSearch(MapSource source, SearchSettings settings);

// The name part of a city line: "合肥|340100" gives "合肥", "上海" gives "上海".
std::string cityName(std::string_view cityLine);

// The requests, exposed for tests and the command line's diagnostics. Texts are UTF-8.
WebRequest baiduCityLookupRequest(std::string_view cityName, std::string_view time);
WebRequest baiduPlaceRequest(std::string_view cityCode, std::string_view keyword, int page);
WebRequest amapPlaceRequest(std::string_view adminCode, std::string_view keyword, int page);
WebRequest tencentPlaceRequest(std::string_view cityName, std::string_view keyword, int page,
                               std::string_view key);

// Reading the replies. Readers fill places, entries, noResults and totalCount.
std::optional<std::string> readBaiduCityCode(std::string_view body);
SearchResult readBaiduPlaces(std::string_view body, const std::string& cityName);
SearchResult readAmapPlaces(std::string_view body, const std::string& keyword);
SearchResult readTencentPlaces(std::string_view body);
// The two Tencent entry patterns (with and without a "pano" object), as their layout is.
const std::string& tencentPatternA();
const std::string& tencentPatternB();

}  // namespace tessary
