// Coordinate services of the simulator: Tencent conversion "/ws/coord/v1/translate", Tencent
// reverse geocoding "/ws/geocoder/v1/" and Baidu conversion "/geoconv/v1/", answered in the
// layouts of the real services (Tencent: indented JSON on several lines; Baidu: compact JSON
// wrapped in the callback).
//
// Results are a fixed transformation of the input, so tests can predict them:
//   Tencent translate, type t (lat,lng in):  type 5 returns the point unchanged; any other
//     type returns lat + 0.001*t, lng + 0.002*t. Numbers with 6 decimals.
//   Baidu geoconv, from f (lng,lat in):      x = lng + 0.0065 + 0.001*f, y = lat + 0.006 + 0.001*f.
//   Tencent geocoder (lat,lng in):           address "模拟市坐标路<lat>,<lng>号" with 4 decimals;
//     the reply then lists two surrounding places whose addresses begin with "模拟市周边".
//
// Keys: a key beginning with "bad" is unknown to the service. Every other key is known and
// limited to 5 requests a second at Tencent and 20 at Baidu (per key, over the last second).
// A line outside -90..90 latitude or -180..180 longitude (except Tencent type 6, Sogou
// Mercator) or not of the form number,number is rejected with the service's error reply,
// and so is the whole request it came in. More than 100 coordinates in one request are
// rejected too.
//
// Behaviour per key is set through GET /mapsim/coords/config?key=K with any of:
//   latency=MS   added to every reply
//   rate=N       requests a second allowed for the key (0: no limit)
//   fault=slow|cut|http500|garbage|ratelimit|layout|none, skip=N (requests passed first, default 0),
//   count=N (requests affected, default all), slowMs=MS (how long "slow" waits, default 5000)
// GET /mapsim/coords/log?key=K returns the request targets seen for K, one a line.

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

std::mutex g_mutex;
std::map<std::string, Behaviour> g_keys;

enum class Api { TencentTranslate, TencentGeocoder, BaiduGeoconv };

Decision admit(const std::string& key, Api api, const std::string& target) {
  std::lock_guard lock(g_mutex);
  Behaviour& state = g_keys[key];
  state.log.push_back(target);
  Decision d;
  d.latencyMs = state.latencyMs;
  d.slowMs = state.slowMs;
  d.fault = state.takeFault();
  d.limited = state.overLimit(state.rateOr(api == Api::BaiduGeoconv ? 20 : 5));
  return d;
}

std::optional<std::pair<double, double>> parsePair(const std::string& text) {
  auto comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  auto number = [](const std::string& s) -> std::optional<double> {
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (*end || !std::isfinite(v)) return std::nullopt;
    for (char c : s)
      if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-')) return std::nullopt;
    return v;
  };
  auto a = number(text.substr(0, comma));
  auto b = number(text.substr(comma + 1));
  if (!a || !b) return std::nullopt;
  return std::make_pair(*a, *b);
}

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    auto end = text.find(sep, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

std::string fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string tencentError(int status, const std::string& message) {
  return "{\n    \"status\": " + std::to_string(status) + ",\n    \"message\": \"" + message + "\"\n}";
}

std::string baiduReply(const std::string& callback, const std::string& json) {
  return callback.empty() ? json : callback + "&&" + callback + "(" + json + ")";
}

std::string baiduError(int status, const std::string& message) {
  return "{\"status\":" + std::to_string(status) + ",\"message\":\"" + message + "\"}";
}

// Replies that are the same for every endpoint of a service: unknown key, rate limit.
std::optional<std::string> serviceRefusal(Api api, const std::string& key, bool limited, const std::string& callback) {
  bool baidu = api == Api::BaiduGeoconv;
  if (key.empty() || key.rfind("bad", 0) == 0)
    return baidu ? baiduReply(callback, baiduError(200, "APP不存在，AK有误请检查再重试"))
                 : tencentError(311, "key格式错误");
  if (limited)
    return baidu ? baiduReply(callback, baiduError(401, "当前并发量已经超过约定并发配额，限制访问"))
                 : tencentError(120, "此key每秒请求量已达到上限");
  return std::nullopt;
}

bool inRange(double lat, double lng) {
  return std::fabs(lat) <= 90 && std::fabs(lng) <= 180;
}

std::string translate(const httplib::Request& req) {
  long type = paramLong(req, "type", 5);
  if (type < 1 || type > 6) return tencentError(310, "请求参数信息有误");
  auto items = split(param(req, "locations"), ';');
  if (items.size() > 100) return tencentError(310, "请求参数信息有误");
  std::string out = "{\n    \"status\": 0,\n    \"message\": \"query ok\",\n    \"locations\": [\n";
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto p = parsePair(items[i]);
    if (!p || (type != 6 && !inRange(p->first, p->second))) return tencentError(310, "locations参数错误");
    double lat = p->first, lng = p->second;
    if (type != 5) {
      lat += 0.001 * type;
      lng += 0.002 * type;
    }
    out += "        {\n            \"lng\": " + fixed(lng, 6) + ",\n            \"lat\": " + fixed(lat, 6) +
           "\n        }" + (i + 1 < items.size() ? ",\n" : "\n");
  }
  out += "    ]\n}";
  return out;
}

std::string geocoder(const httplib::Request& req) {
  auto p = parsePair(param(req, "location"));
  if (!p || !inRange(p->first, p->second)) return tencentError(310, "请求参数信息有误");
  std::string at = fixed(p->first, 4) + "," + fixed(p->second, 4);
  std::string out =
      "{\n"
      "    \"status\": 0,\n"
      "    \"message\": \"query ok\",\n"
      "    \"request_id\": \"mapsim\",\n"
      "    \"result\": {\n"
      "        \"location\": {\n"
      "            \"lat\": " +
      fixed(p->first, 6) +
      ",\n"
      "            \"lng\": " +
      fixed(p->second, 6) +
      "\n"
      "        },\n"
      "        \"address\": \"模拟市坐标路" +
      at +
      "号\",\n"
      "        \"formatted_addresses\": {\n"
      "            \"recommend\": \"坐标路" +
      at +
      "\"\n"
      "        },\n"
      "        \"address_component\": {\n"
      "            \"city\": \"模拟市\",\n"
      "            \"street\": \"坐标路\"\n"
      "        }";
  if (param(req, "get_poi") == "1") {
    out +=
        ",\n"
        "        \"poi_count\": 2,\n"
        "        \"pois\": [\n"
        "            {\n"
        "                \"id\": \"1\",\n"
        "                \"title\": \"模拟大厦\",\n"
        "                \"address\": \"模拟市周边路1号\",\n"
        "                \"_distance\": 35.2\n"
        "            },\n"
        "            {\n"
        "                \"id\": \"2\",\n"
        "                \"title\": \"模拟公园\",\n"
        "                \"address\": \"模拟市周边路2号\",\n"
        "                \"_distance\": 80.0\n"
        "            }\n"
        "        ]";
  }
  out += "\n    }\n}";
  return out;
}

std::string geoconv(const httplib::Request& req) {
  const std::string callback = param(req, "callback");
  long from = paramLong(req, "from", 1);
  if (from != 1 && from != 3) return baiduReply(callback, baiduError(21, "from非法"));
  if (paramLong(req, "to", 5) != 5) return baiduReply(callback, baiduError(22, "to非法"));
  auto items = split(param(req, "coords"), ';');
  if (items.size() > 100) return baiduReply(callback, baiduError(25, "coords个数非法"));
  std::string out = "{\"status\":0,\"result\":[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto p = parsePair(items[i]);
    if (!p || !inRange(p->second, p->first)) return baiduReply(callback, baiduError(24, "coords格式非法"));
    double x = p->first + 0.0065 + 0.001 * from, y = p->second + 0.006 + 0.001 * from;
    out += std::string(i ? "," : "") + "{\"x\":" + fixed(x, 9) + ",\"y\":" + fixed(y, 9) + "}";
  }
  out += "]}";
  return baiduReply(callback, out);
}

void serve(Api api, const httplib::Request& req, httplib::Response& res) {
  const std::string key = param(req, api == Api::BaiduGeoconv ? "ak" : "key");
  Decision d = admit(key, api, req.target);
  const std::string type =
      api == Api::BaiduGeoconv ? "text/javascript; charset=utf-8" : "application/json; charset=utf-8";
  const std::string callback = api == Api::BaiduGeoconv ? param(req, "callback") : "";
  if (beginReply(d, res, type)) return;

  std::string body;
  if (auto refusal = serviceRefusal(api, key, d.limited, callback)) {
    body = *refusal;
  } else if (api == Api::TencentTranslate) {
    body = translate(req);
  } else if (api == Api::TencentGeocoder) {
    body = geocoder(req);
  } else {
    body = geoconv(req);
  }

  if (d.fault == Fault::Layout) {
    // The same data laid out differently: two-space indentation, or a blank inside braces.
    std::string from = api == Api::BaiduGeoconv ? "{\"x\"" : "    ";
    std::string to = api == Api::BaiduGeoconv ? "{ \"x\"" : "  ";
    for (std::size_t at = 0; (at = body.find(from, at)) != std::string::npos; at += to.size())
      body.replace(at, from.size(), to);
  }
  sendReply(d, res, std::move(body), type);
}

void configureKey(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard lock(g_mutex);
  configure(req, res, g_keys[param(req, "key")]);
}

void showLog(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard lock(g_mutex);
  answerLog(g_keys[param(req, "key")], res);
}

Registration routes([] {
  using tessary::publicHost;
  using tessary::Service;
  addRoute(std::string(publicHost(Service::Tencent)), "/ws/coord/v1/translate",
           [](const httplib::Request& q, httplib::Response& r) { serve(Api::TencentTranslate, q, r); });
  addRoute(std::string(publicHost(Service::Tencent)), "/ws/geocoder/v1/",
           [](const httplib::Request& q, httplib::Response& r) { serve(Api::TencentGeocoder, q, r); });
  addRoute(std::string(publicHost(Service::BaiduApi)), "/geoconv/v1/",
           [](const httplib::Request& q, httplib::Response& r) { serve(Api::BaiduGeoconv, q, r); });
  addRoute("", "/mapsim/coords/config", configureKey);
  addRoute("", "/mapsim/coords/log", showLog);
});

}  // namespace
}  // namespace mapsim
