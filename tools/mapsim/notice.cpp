// The maker's notice file "/notice.txt" on the maker's host, served as GBK text like a
// plain web server would. The default carries one "@1text#1address@1" record between other
// lines; tests replace it:
//   GET /mapsim/notice/config?body=TEXT   the file's text (given as UTF-8), "" for empty
//   GET /mapsim/notice/config?latency=MS  wait before answering
//   GET /mapsim/notice/config?status=N    answer with this HTTP status

#include <mutex>
#include <string>

#include "Sim.h"
#include "net/ServiceAddress.h"
#include "net/TextServices.h"

namespace {

struct NoticeState {
  std::mutex mutex;
  std::string body =
      "Tessary notice\r\n"
      "@1欢迎试用 Tessary 演示：各页面连接本地模拟服务，随意填写密钥即可试用#1https://www.tessary.cn/@1\r\n"
      "@1第二条公告不会显示#1https://www.tessary.cn/second@1\r\n";
  long latencyMs = 0;
  int status = 200;
};

NoticeState& state() {
  static NoticeState s;
  return s;
}

mapsim::Registration routes([] {
  mapsim::addRoute(std::string(tessary::publicHost(tessary::Service::Maker)), "/notice.txt",
                   [](const httplib::Request&, httplib::Response& res) {
                     std::string body;
                     long latency = 0;
                     int status = 200;
                     {
                       std::lock_guard lock(state().mutex);
                       body = state().body;
                       latency = state().latencyMs;
                       status = state().status;
                     }
                     mapsim::sleepMs(latency);
                     res.status = status;
                     res.set_content(tessary::utf8ToLocal(body), "text/plain; charset=gbk");
                   });
  mapsim::addRoute("", "/mapsim/notice/config", [](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(state().mutex);
    if (req.has_param("body")) state().body = req.get_param_value("body");
    state().latencyMs = mapsim::paramLong(req, "latency", state().latencyMs);
    state().status = static_cast<int>(mapsim::paramLong(req, "status", state().status));
    res.set_content("ok\n", "text/plain");
  });
});

}  // namespace
