// Place searches of the simulator: the Baidu city lookup (map site, "/?qt=cur"), the Baidu
// place search (map API, "/?qt=s"), the Amap "/service/poiInfo" and the Tencent
// "/ws/place/v1/search", answered in the layouts of the real services: Baidu as script
// callbacks with compact JSON and names in \u escapes, Amap as compact JSON, Tencent as JSON
// indented over many lines.
//
// Places are a fixed function of city, keyword and position, so tests can predict them:
//   - A keyword "咖啡#45" has 45 places in every city (the number after "#"; 25 without one).
//     Only the stem before "#" or "~" decides which places they are, so "咖啡#30" and
//     "咖啡~店#20" share their first 20 places (same ids, titles and coordinates).
//   - Place i (from 1) of city C and stem S is titled C + S + i + "号店". Every 4th place has
//     an empty phone.
//   - Baidu city codes: 北京 131, 上海 289, 广州 257, 深圳 340, 合肥 127, others a number
//     made from the name. A city whose name begins with "无" has no code. The lookup reply
//     names the city's pair first and a second "hot city" pair after it.
//   - Amap pages end with the "0个结果" marker after the last place.
//   - Tencent lists, after every 6th place, one entry the place patterns must skip (in turn:
//     a "type" other than 0, a "pano" with a number, a "tel" other than " " without "pano");
//     "count" counts those entries too. Places alternate between entries with and without a
//     "pano" object.
//   - Tencent keys: empty or beginning with "bad" are unknown; others are limited to 5
//     requests a second unless configured.
//
// Behaviour per tag (a keyword, a Baidu lookup's city name, or a Tencent key) is set through
// GET /mapsim/places/config?tag=T with any of:
//   latency=MS, rate=N (requests a second for the tag; 0 no limit),
//   fault=slow|cut|http500|garbage|ratelimit|repeat|none  (repeat: every page is page 1,
//     full, and Tencent's count is huge), skip=N (requests passed first), count=N (requests
//     affected, default all), slowMs=MS (default 5000)
// GET /mapsim/places/log?tag=T returns the requests seen for T, one a line:
//   target TAB Host TAB User-Agent TAB Referer
// GET /mapsim/places/count?keyword=K returns the number of places K has in any city.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Behaviour.h"
#include "net/ServiceAddress.h"

namespace mapsim {
namespace {

enum class Api { BaiduLookup, BaiduSearch, Amap, Tencent };

std::mutex g_mutex;
std::map<std::string, Behaviour> g_tags;
std::map<std::string, std::string> g_baiduCities;  // code -> city name

// tag: the keyword or lookup city; key: the Tencent key ("" for the other services).
Decision admit(const httplib::Request& req, const std::string& tag, const std::string& key,
               Api api) {
  std::lock_guard lock(g_mutex);
  std::string line = req.target + "\t" + req.get_header_value("Host") + "\t" +
                     req.get_header_value("User-Agent") + "\t" + req.get_header_value("Referer");
  Decision d;
  std::vector<Behaviour*> states{&g_tags[tag]};
  if (api == Api::Tencent) states.push_back(&g_tags["key\x1f" + key]);
  for (Behaviour* state : states) {
    state->log.push_back(line);
    d.latencyMs = std::max(d.latencyMs, state->latencyMs);
    if (d.fault == Fault::None) {
      d.fault = state->takeFault();
      d.slowMs = state->slowMs;
    }
  }
  d.limited = states[0]->overLimit(states[0]->rateOr(0));
  if (api == Api::Tencent && !d.limited) d.limited = states[1]->overLimit(states[1]->rateOr(5));
  return d;
}

std::uint64_t fnv(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string hex(std::uint64_t v, int digits) {
  static const char* d = "0123456789abcdef";
  std::string out(digits, '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) out[i] = d[v & 15];
  return out;
}

// Every character outside ASCII as \uXXXX (surrogate pairs beyond the basic plane), the way
// Baidu writes its texts.
std::string jsEscaped(const std::string& utf8) {
  std::string out;
  auto unit = [&](unsigned u) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\u%04x", u & 0xFFFF);
    out += buf;
  };
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = utf8[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    unsigned cp = c & (len == 4 ? 0x07 : len == 3 ? 0x0F : 0x1F);
    for (int k = 1; k < len && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

struct KeywordPlan {
  std::string stem;
  long places = 25;
};

KeywordPlan plan(const std::string& keyword) {
  KeywordPlan p;
  p.stem = keyword.substr(0, keyword.find_first_of("#~"));
  if (auto hash = keyword.find('#'); hash != std::string::npos) {
    char* end = nullptr;
    long n = std::strtol(keyword.c_str() + hash + 1, &end, 10);
    if (end != keyword.c_str() + hash + 1 && n >= 0) p.places = n;
  }
  return p;
}

struct Place {
  std::string title, address, phone, id, category;
  double lat = 0, lng = 0;
  long index = 0;
};

Place place(const std::string& city, const std::string& stem, long i) {
  Place p;
  p.index = i;
  std::uint64_t h = fnv(city + "\x1f" + stem + "\x1f" + std::to_string(i));
  p.title = city + stem + std::to_string(i) + "号店";
  p.address = city + "模拟路" + std::to_string(i) + "号";
  p.phone = i % 4 == 0 ? "" : "010-5555" + std::to_string(1000 + i);
  p.id = hex(h, 16) + hex(fnv(std::to_string(h)), 8);
  p.category = "模拟:" + stem;
  p.lat = 30 + static_cast<double>(h % 1000000) / 100000.0;
  p.lng = 110 + static_cast<double>((h >> 20) % 1000000) / 100000.0;
  return p;
}

// Places first..first+n-1 (from 1) that exist for the plan.
std::vector<Place> placesOnPage(const std::string& city, const KeywordPlan& p, long page,
                                long pageSize, bool repeat) {
  if (repeat) page = 1;
  std::vector<Place> out;
  long first = (page - 1) * pageSize + 1;
  long last = repeat ? first + pageSize - 1 : std::min(p.places, first + pageSize - 1);
  for (long i = first; i <= last; ++i) out.push_back(place(city, p.stem, i));
  return out;
}

// ---- Baidu -------------------------------------------------------------------------------

std::optional<std::string> baiduCode(const std::string& city) {
  static const std::map<std::string, std::string> known{
      {"北京", "131"}, {"上海", "289"}, {"广州", "257"}, {"深圳", "340"}, {"合肥", "127"}};
  if (city.empty() || city.rfind("无", 0) == 0) return std::nullopt;
  if (auto it = known.find(city); it != known.end()) return it->second;
  return std::to_string(10000 + fnv(city) % 900000);
}

std::string baiduCallback(const std::string& callback, const std::string& json) {
  return callback.empty() ? json : callback + " && " + callback + "(" + json + ")";
}

std::string baiduLookup(const std::string& city, const std::string& callback) {
  auto code = baiduCode(city);
  if (!code)
    return baiduCallback(callback, "{\"current_city\":{\"name\":\"" + city +
                                       "\",\"sup\":0},\"result\":{\"error\":0}}");
  {
    std::lock_guard lock(g_mutex);
    g_baiduCities[*code] = city;
  }
  return baiduCallback(callback, "{\"current_city\":{\"cname\":\"" + city + "市\",\"code\":" +
                                     *code + ",\"sup\":1},\"hot_city\":[{\"cname\":\"北京市\","
                                     "\"code\":131,\"sup\":1}],\"result\":{\"error\":0}}");
}

std::string baiduEntry(const std::string& city, const Place& p) {
  double x = 12000000 + p.lng * 10000, y = 3000000 + p.lat * 10000;
  return "{\"addr\":\"" + jsEscaped(p.address) + "\",\"markv\":{\"level\":1},\"name\":\"" +
         jsEscaped(p.title) + "\",\"navi_x\":\"0\",\"phone\":\"" + p.phone +
         "\",\"poi_address\":\"" + jsEscaped(p.address) + "\",\"point\":{\"x\":" + fixed(x, 2) +
         ",\"y\":" + fixed(y, 2) + "},\"std_tag\":\"" + jsEscaped(city) + "\",\"tag\":\"" +
         jsEscaped(p.category) + "\",\"ty\":1,\"uid\":\"" + p.id + "\"}";
}

std::string baiduSearch(const httplib::Request& req, bool repeat) {
  const std::string code = param(req, "c");
  std::string city;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_baiduCities.find(code);
    city = it != g_baiduCities.end() ? it->second : "城市" + code;
  }
  KeywordPlan p = plan(param(req, "wd"));
  long page = paramLong(req, "pn", 0) + 1;
  auto places = placesOnPage(city, p, page, 10, repeat);
  std::string content;
  for (const auto& place : places) content += (content.empty() ? "" : ",") + baiduEntry(city, place);
  std::string json = "{\"content\":[" + content + "],\"current_city\":{\"code\":" + code +
                     ",\"name\":\"" + jsEscaped(city) + "\"},\"result\":{\"total\":" +
                     std::to_string(repeat ? 100000 : p.places) + ",\"type\":11}}";
  return baiduCallback(param(req, "callback"), json);
}

// ---- Amap --------------------------------------------------------------------------------

std::string amapCityName(const std::string& code) {
  static const std::map<std::string, std::string> known{
      {"340100", "合肥市"}, {"310000", "上海市"}, {"110000", "北京市"}, {"440100", "广州市"}};
  auto it = known.find(code);
  return it != known.end() ? it->second : "模拟市" + code;
}

std::string amapSearch(const httplib::Request& req, bool repeat) {
  const std::string code = param(req, "city");
  const std::string city = amapCityName(code);
  KeywordPlan p = plan(param(req, "keywords"));
  auto places = placesOnPage(city, p, paramLong(req, "pagenum", 1), 20, repeat);
  if (places.empty())
    return "{\"status\":\"1\",\"data\":{\"result\":\"false\",\"message\":\"<h5>0个结果</h5>\"}}";
  std::string list;
  for (const auto& pl : places) {
    list += std::string(list.empty() ? "" : ",") + "{\"address\":\"" + pl.address +
            "\",\"cinemazuo_flag\":\"0\",\"diner_flag\":\"0\",\"id\":\"B0" + pl.id.substr(0, 8) +
            "\",\"name\":\"" + pl.title + "\",\"typecode\":\"050000\",\"location\":{\"lat\":" +
            fixed(pl.lat, 6) + ",\"lng\":" + fixed(pl.lng, 6) + "},\"entrances\":[],\"pguid\":\"" +
            pl.id + "\",\"dynamic\":{},\"rating\":\"4.5\",\"tel\":\"" + pl.phone +
            "\",\"adcode\":\"" + code + "\",\"cityname\":\"" + city + "\"}";
  }
  return "{\"status\":\"1\",\"data\":{\"result\":\"true\",\"total\":\"" +
         std::to_string(repeat ? 100000 : p.places) + "\",\"poi_list\":[" + list + "]}}";
}

// ---- Tencent -----------------------------------------------------------------------------

std::string tencentError(int status, const std::string& message) {
  return "{\n    \"status\": " + std::to_string(status) + ",\n    \"message\": \"" + message +
         "\"\n}";
}

enum class EntryKind { WithPano, WithoutPano, WrongType, NumericPano, TelWithoutPano };

std::string tencentEntry(const std::string& city, const Place& p, EntryKind kind) {
  const std::string s12(12, ' '), s16(16, ' ');
  bool pano = kind == EntryKind::WithPano || kind == EntryKind::WrongType ||
              kind == EntryKind::NumericPano;
  std::string tel = kind == EntryKind::WithoutPano ? " "
                    : kind == EntryKind::TelWithoutPano ? "021-66660000"
                                                        : p.phone;
  std::string out = "        {\n" + s12 + "\"id\": \"" + p.id + "\",\n" + s12 + "\"title\": \"" +
                    p.title + "\",\n" + s12 + "\"address\": \"" + p.address + "\",\n" + s12 +
                    "\"tel\": \"" + tel + "\",\n" + s12 + "\"category\": \"" + p.category +
                    "\",\n" + s12 + "\"type\": " + (kind == EntryKind::WrongType ? "1" : "0") +
                    ",\n" + s12 + "\"location\": {\n" + s16 + "\"lat\": " + fixed(p.lat, 6) +
                    ",\n" + s16 + "\"lng\": " + fixed(p.lng, 6) + "\n" + s12 + "},\n";
  if (pano) {
    out += s12 + "\"pano\": {\n" + s16 + "\"id\": \"P" + p.id.substr(0, 10) + "\",\n" + s16 +
           "\"heading\": " + (kind == EntryKind::NumericPano ? "87" : "null") + ",\n" + s16 +
           "\"pitch\": null,\n" + s16 + "\"zoom\": null\n" + s12 + "},\n";
  }
  out += s12 + "\"ad_info\": {\n" + s16 + "\"adcode\": 110101,\n" + s16 +
         "\"province\": \"模拟省\",\n" + s16 + "\"city\": \"" + city + "市\",\n" + s16 +
         "\"district\": \"模拟" + std::to_string(p.index % 5 + 1) + "区\"\n" + s12 + "}\n" +
         "        }";
  return out;
}

// The entries of a keyword in order: places with a skipped entry after every 6th.
struct TencentEntry {
  Place place;
  EntryKind kind;
};

std::vector<TencentEntry> tencentEntries(const std::string& city, const KeywordPlan& p,
                                         long first, long last) {
  // Entry n (from 1): every 7th position is a skipped one.
  std::vector<TencentEntry> out;
  for (long n = first; n <= last; ++n) {
    long group = (n - 1) / 7, slot = (n - 1) % 7;
    if (slot == 6) {
      Place junk = place(city, p.stem + "\x1fjunk", group);
      EntryKind kinds[] = {EntryKind::WrongType, EntryKind::NumericPano, EntryKind::TelWithoutPano};
      out.push_back({junk, kinds[group % 3]});
    } else {
      long i = group * 6 + slot + 1;
      Place pl = place(city, p.stem, i);
      out.push_back({pl, i % 2 ? EntryKind::WithPano : EntryKind::WithoutPano});
    }
  }
  return out;
}

long tencentEntryCount(long places) {
  // Skipped entries stand after every 6th place, so a list never ends with one.
  return places + places / 6 - (places > 0 && places % 6 == 0 ? 1 : 0);
}

std::string tencentSearch(const httplib::Request& req, bool repeat) {
  std::string boundary = param(req, "boundary");
  std::string city;
  if (boundary.rfind("region(", 0) == 0) {
    auto comma = boundary.rfind(',');
    if (comma != std::string::npos && comma > 7) city = boundary.substr(7, comma - 7);
  }
  if (city.empty()) return tencentError(310, "请求参数信息有误");
  KeywordPlan p = plan(param(req, "keyword"));
  long page = repeat ? 1 : paramLong(req, "page_index", 1);
  long total = tencentEntryCount(p.places);
  long first = (page - 1) * 20 + 1;
  long last = repeat ? 20 : std::min(total, first + 19);
  std::string data;
  for (const auto& e : tencentEntries(city, p, first, last))
    data += (data.empty() ? "" : ",\n") + tencentEntry(city, e.place, e.kind);
  return "{\n    \"status\": 0,\n    \"message\": \"query ok\",\n    \"count\": " +
         std::to_string(repeat ? 100000 : total) + ",\n    \"request_id\": \"mapsim\",\n" +
         "    \"data\": [\n" + data + (data.empty() ? "" : "\n") + "    ]\n}";
}

// ---- Serving -----------------------------------------------------------------------------

void serve(Api api, const httplib::Request& req, httplib::Response& res) {
  std::string tag, key;
  switch (api) {
    case Api::BaiduLookup: tag = param(req, "wd"); break;
    case Api::BaiduSearch: tag = param(req, "wd"); break;
    case Api::Amap: tag = param(req, "keywords"); break;
    case Api::Tencent:
      tag = param(req, "keyword");
      key = param(req, "key");
      break;
  }
  if (api == Api::BaiduLookup && param(req, "qt") != "cur") {
    res.status = 404;
    return;
  }
  if (api == Api::BaiduSearch && param(req, "qt") != "s") {
    res.status = 404;
    return;
  }
  Decision d = admit(req, tag, key, api);
  const std::string type = api == Api::BaiduLookup || api == Api::BaiduSearch
                               ? "text/javascript; charset=utf-8"
                               : "application/json; charset=utf-8";
  if (beginReply(d, res, type)) return;
  const bool repeat = d.fault == Fault::Repeat;
  std::string body;
  if (api == Api::Tencent && (key.empty() || key.rfind("bad", 0) == 0)) {
    body = tencentError(311, "key格式错误");
  } else if (d.limited) {
    switch (api) {
      case Api::Tencent: body = tencentError(120, "此key每秒请求量已达到上限"); break;
      case Api::Amap: body = "{\"status\":\"6\",\"data\":\"too fast\"}"; break;
      default:
        body = baiduCallback(param(req, "callback"),
                             "{\"status\":401,\"message\":\"当前并发量已经超过约定并发配额，限制访问\"}");
    }
  } else {
    switch (api) {
      case Api::BaiduLookup: body = baiduLookup(tag, param(req, "callback")); break;
      case Api::BaiduSearch: body = baiduSearch(req, repeat); break;
      case Api::Amap: body = amapSearch(req, repeat); break;
      case Api::Tencent: body = tencentSearch(req, repeat); break;
    }
  }
  sendReply(d, res, std::move(body), type);
}

Behaviour& stateFor(const httplib::Request& req) {
  if (req.has_param("key")) return g_tags["key\x1f" + param(req, "key")];
  return g_tags[param(req, "tag")];
}

void configureTag(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard lock(g_mutex);
  configure(req, res, stateFor(req));
}

void showLog(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard lock(g_mutex);
  answerLog(stateFor(req), res);
}

void showCount(const httplib::Request& req, httplib::Response& res) {
  res.set_content(std::to_string(plan(param(req, "keyword")).places), "text/plain");
}

Registration routes([] {
  using tessary::publicHost;
  using tessary::Service;
  addRoute(std::string(publicHost(Service::BaiduMap)), "/",
           [](const httplib::Request& q, httplib::Response& r) { serve(Api::BaiduLookup, q, r); });
  addRoute(std::string(publicHost(Service::BaiduApi)), "/",
           [](const httplib::Request& q, httplib::Response& r) { serve(Api::BaiduSearch, q, r); });
  addRoute(std::string(publicHost(Service::Amap)), "/service/poiInfo",
           [](const httplib::Request& q, httplib::Response& r) { serve(Api::Amap, q, r); });
  addRoute(std::string(publicHost(Service::Tencent)), "/ws/place/v1/search",
           [](const httplib::Request& q, httplib::Response& r) { serve(Api::Tencent, q, r); });
  addRoute("", "/mapsim/places/config", configureTag);
  addRoute("", "/mapsim/places/log", showLog);
  addRoute("", "/mapsim/places/count", showCount);
});

}  // namespace
}  // namespace mapsim
