#pragma once
// Where each service lives. The environment variable TESSARY_SERVICE_BASE (for example
// "http://127.0.0.1:8080") sends every request to that address instead, while the Host
// line still names the public host, so one local simulator can stand in for all services.

#include <string>
#include <string_view>

namespace tessary {

enum class Service {
  BaiduMap,  // Baidu map site: city lookup
  BaiduApi,  // Baidu map API: place search, coordinate conversion
  Amap,      // Amap web site: place search
  Tencent,   // Tencent location service WebService API
  Maker,     // our own server: the notice
};

std::string_view publicHost(Service service);
// Full address of pathAndQuery ("/ws/coord/v1/translate?...") on the service.
std::string serviceUrl(Service service, std::string_view pathAndQuery);
// The "Host: ..." line naming the service's public host, without a line end.
std::string hostLine(Service service);

// The User-Agent line every service request carries, without a line end.
inline constexpr const char* kServiceUserAgentLine =
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/45.0.2454.101 Safari/537.36";

}  // namespace tessary
