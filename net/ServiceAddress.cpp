#include "net/ServiceAddress.h"

#include <cstdlib>

namespace tessary {

std::string_view publicHost(Service service) {
  switch (service) {
    case Service::BaiduMap: return "map.baidu.com";
    case Service::BaiduApi: return "api.map.baidu.com";
    case Service::Amap: return "www.amap.com";
    case Service::Tencent: return "apis.map.qq.com";
    case Service::Maker: return "www.tessary.cn";
  }
  return {};
}

std::string serviceUrl(Service service, std::string_view pathAndQuery) {
  // Requests carry the user's keys, so they go over https unless redirected to a local base.
  const char* base = std::getenv("TESSARY_SERVICE_BASE");
  std::string url;
  if (base && *base) {
    url = base;
    while (!url.empty() && url.back() == '/') url.pop_back();
  } else {
    url = "https://";
    url.append(publicHost(service));
  }
  url.append(pathAndQuery);
  return url;
}

std::string hostLine(Service service) {
  std::string line = "Host: ";
  line.append(publicHost(service));
  return line;
}

}  // namespace tessary
