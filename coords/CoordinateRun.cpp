#include "coords/CoordinateRun.h"

#include <exception>
#include <utility>

#include "coords/Pacer.h"
#include "net/PatternMatcher.h"
#include "net/ServiceAddress.h"
#include "net/TextServices.h"

namespace tessary {

namespace {

// Patterns the replies are read with. The spaces and line feeds are part of the layout the
// services answer in.
constexpr const char* kTencentPointPattern = "\"lng\": (.*?),\n            \"lat\": (.*?)\n        }";
constexpr const char* kTencentMessagePattern = "message\": \"(.*?)\"";
constexpr const char* kTencentStatusPattern = "\"status\": (-?\\d+)";
constexpr const char* kAddressPattern = "address\": \"(.*?)\"";
constexpr const char* kBaiduPointPattern = "{\"x\":(.*?),\"y\":(.*?)}";
constexpr const char* kBaiduStatusPattern = "status\":(.*?),";

constexpr std::size_t kRowsPerNotice = 1000;

const std::vector<SourceChoice> kTencentChoices{
    {"单选框_GPS坐标转腾讯坐标", 1, "gps"},           {"单选框_搜狗经纬度转腾讯坐标", 2, "sogou"},
    {"单选框_百度经纬度转腾讯坐标", 3, "baidu"},      {"单选框_图吧坐标转腾讯坐标", 4, "mapbar"},
    {"单选框_google高德坐标转腾讯坐标", 5, "google"}, {"单选框_sogou墨卡托转腾讯坐标", 6, "sogou-mercator"},
};
const std::vector<SourceChoice> kBaiduChoices{
    {"单选框_原始坐标转百度坐标", 1, "gps"},
    {"单选框_谷歌坐标转百度坐标", 3, "google"},
};
const std::vector<SourceChoice> kNoChoices{};

Service serviceOf(CoordinatePage page) {
  return page == CoordinatePage::BaiduConversion ? Service::BaiduApi : Service::Tencent;
}

// Blanks around a key or a number read from a reply are not part of it.
std::string trimmedKey(std::string_view key) {
  while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
  while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
  return std::string(key);
}

long toNumber(const std::string& text, long fallback) {
  if (text.empty()) return fallback;
  try {
    std::size_t used = 0;
    long n = std::stol(text, &used);
    return used == text.size() ? n : fallback;
  } catch (const std::exception&) {
    return fallback;
  }
}

// Tencent statuses that concern the key (unknown, not authorised, daily quota), not the line:
// every further request with the key would get the same answer.
bool tencentKeyRefused(long status) {
  return (status >= 110 && status <= 199 && status != 120) || status == 311;
}
bool tencentRateLimited(long status) {
  return status == 120;
}
// Baidu: 2xx are key and application errors, 302 the daily quota; 401/402 concurrency limits.
bool baiduKeyRefused(long status) {
  return (status >= 200 && status <= 299) || status == 302;
}
bool baiduRateLimited(long status) {
  return status == 401 || status == 402;
}

}  // namespace

struct CoordinateRun::Reading {
  enum Kind {
    Ok,           // one result per coordinate
    Rejected,     // the service declined the request; single lines may still pass
    KeyRefused,   // the key is refused: no further request can succeed
    RateLimited,  // retries used up
    Failed,       // no usable answer (client error, HTTP error, unreadable body)
    Stopped,
  };
  Kind kind = Failed;
  std::vector<std::string> results;
  std::string state;
};

const std::vector<SourceChoice>& sourceChoices(CoordinatePage page) {
  switch (page) {
    case CoordinatePage::TencentConversion:
      return kTencentChoices;
    case CoordinatePage::BaiduConversion:
      return kBaiduChoices;
    case CoordinatePage::ReverseGeocoding:
      return kNoChoices;
  }
  return kNoChoices;
}

int defaultSourceCode(CoordinatePage page) {
  switch (page) {
    case CoordinatePage::TencentConversion:
      return 5;
    case CoordinatePage::BaiduConversion:
      return 3;
    case CoordinatePage::ReverseGeocoding:
      return 0;
  }
  return 0;
}

WebRequest coordinateRequest(CoordinatePage page, const std::vector<std::string>& coordinates,
                             const RunOptions& options) {
  std::string joined;
  for (const auto& c : coordinates) {
    if (!joined.empty()) joined += ';';
    joined += c;
  }
  int code = options.sourceCode ? options.sourceCode : defaultSourceCode(page);
  std::string key = urlEncode(trimmedKey(options.key));
  WebRequest request;
  request.timeouts = options.timeouts;
  switch (page) {
    case CoordinatePage::TencentConversion:
      request.url = serviceUrl(Service::Tencent, "/ws/coord/v1/translate?locations=" + urlEncode(joined) +
                                                     "&type=" + std::to_string(code) + "&key=" + key);
      request.headers = hostLine(Service::Tencent) + "\r\n" + kServiceUserAgentLine;
      break;
    case CoordinatePage::BaiduConversion:
      request.url =
          serviceUrl(Service::BaiduApi, "/geoconv/v1/?coords=" + urlEncode(joined) + "&from=" + std::to_string(code) +
                                            "&to=5&ak=" + key + "&callback=BMap._rd._cbk14213");
      request.headers = hostLine(Service::BaiduApi) + "\r\n" + kServiceUserAgentLine + "\r\n";
      break;
    case CoordinatePage::ReverseGeocoding:
      request.url =
          serviceUrl(Service::Tencent, "/ws/geocoder/v1/?location=" + urlEncode(joined) + "&key=" + key + "&get_poi=1");
      request.headers = hostLine(Service::Tencent) + "\r\n" + kServiceUserAgentLine;
      break;
  }
  return request;
}

CoordinateRun::CoordinateRun(CoordinatePage page, RunListener& listener) : page_(page), listener_(listener) {}

CoordinateRun::~CoordinateRun() {
  stop();
  wait();
}

std::string CoordinateRun::start(std::string inputText, RunOptions options) {
  if (!hasInputLine(inputText)) return pageTexts(page_).missingInput;
  // The reverse-geocoding page's own message names only the coordinates; a missing key gets
  // the Tencent key message instead of a run whose every row fails.
  if (trimmedKey(options.key).empty())
    return pageTexts(page_ == CoordinatePage::ReverseGeocoding ? CoordinatePage::TencentConversion : page_)
        .missingInput;
  stop();
  wait();
  stop_ = false;
  running_ = true;
  {
    std::lock_guard lock(mutex_);
    jobs_.clear();
  }
  worker_ = std::thread(&CoordinateRun::work, this, std::move(inputText), std::move(options));
  return {};
}

void CoordinateRun::stop() {
  if (running_) stop_ = true;
}

void CoordinateRun::wait() {
  if (worker_.joinable()) worker_.join();
}

void CoordinateRun::clear() {
  stop();
  wait();
  {
    std::lock_guard lock(mutex_);
    jobs_.clear();
  }
  listener_.rowsCleared();
}

std::vector<CoordinateJob> CoordinateRun::jobs() const {
  std::lock_guard lock(mutex_);
  return jobs_;
}

std::vector<Row> CoordinateRun::rows() const {
  std::lock_guard lock(mutex_);
  std::vector<Row> rows;
  rows.reserve(jobs_.size());
  for (const auto& job : jobs_) rows.push_back(job.cells());
  return rows;
}

std::string CoordinateRun::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void CoordinateRun::setStatus(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    status_ = text;
  }
  listener_.statusText(text);
}

void CoordinateRun::setRow(std::size_t index, std::string result, std::string state, bool succeeded) {
  Row cells;
  {
    std::lock_guard lock(mutex_);
    auto& job = jobs_[index];
    job.result = std::move(result);
    job.state = std::move(state);
    job.succeeded = succeeded;
    cells = job.cells();
  }
  listener_.rowChanged(index, cells);
}

void CoordinateRun::work(std::string input, RunOptions options) {
  const PageTexts& texts = pageTexts(page_);
  listener_.rowsCleared();
  setStatus(texts.running);
  try {
    std::vector<std::string> lines = inputLines(input);
    input.clear();
    input.shrink_to_fit();

    // Rows go to the front end in slices so that a long list appears without a stall.
    for (std::size_t first = 0; first < lines.size() && !stop_; first += kRowsPerNotice) {
      std::size_t end = std::min(lines.size(), first + kRowsPerNotice);
      std::vector<Row> added;
      added.reserve(end - first);
      {
        std::lock_guard lock(mutex_);
        for (std::size_t i = first; i < end; ++i) {
          CoordinateJob job;
          job.serial = std::to_string(i + 1);
          job.source = std::move(lines[i]);
          job.state = texts.waiting;
          added.push_back(job.cells());
          jobs_.push_back(std::move(job));
        }
      }
      listener_.rowsAdded(first, added);
    }
    lines = {};

    const std::size_t count = [&] {
      std::lock_guard lock(mutex_);
      return jobs_.size();
    }();
    const std::size_t batchLimit =
        page_ == CoordinatePage::ReverseGeocoding ? 1 : std::max<std::size_t>(1, options.batchSize);
    std::string refusedState;  // set once the service refuses the key
    std::size_t next = 0;
    while (next < count && !stop_) {
      std::vector<std::size_t> batch;
      while (next < count && batch.size() < batchLimit) {
        std::string source;
        {
          std::lock_guard lock(mutex_);
          source = jobs_[next].source;
        }
        if (normalizedCoordinate(source)) {
          batch.push_back(next);
        } else {
          setRow(next, "", kMalformedLineState, false);
        }
        ++next;
      }
      if (batch.empty()) continue;
      if (!refusedState.empty()) {
        for (auto i : batch) setRow(i, "", refusedState, false);
        continue;
      }
      handle(batch, options, refusedState);
    }
  } catch (const std::exception& e) {
    // Out of memory on a huge list, for one: tell the user, and do not claim completion.
    listener_.notice(std::string("运行出错：") + e.what());
    stop_ = true;
  }

  bool stopped = stop_.load();
  setStatus(stopped ? texts.stopped : texts.completed);
  if (!stopped) listener_.notice(texts.completedNotice);
  running_ = false;
  listener_.finished(stopped);
}

void CoordinateRun::handle(const std::vector<std::size_t>& batch, const RunOptions& options,
                           std::string& refusedState) {
  Reading reading = ask(batch, options);
  switch (reading.kind) {
    case Reading::Stopped:
      return;  // the rows keep their waiting text
    case Reading::Ok:
      for (std::size_t k = 0; k < batch.size(); ++k) {
        bool good = !reading.results[k].empty();
        setRow(batch[k], reading.results[k], reading.state, good);
      }
      return;
    case Reading::Rejected:
      if (batch.size() > 1) {
        // One line the service declines must not cost the others their result.
        for (auto i : batch) {
          if (stop_) return;
          handle({i}, options, refusedState);
          if (!refusedState.empty()) {
            for (auto j : batch)
              if (j > i) setRow(j, "", refusedState, false);
            return;
          }
        }
        return;
      }
      break;
    case Reading::KeyRefused:
      refusedState = reading.state;
      break;
    case Reading::RateLimited:
    case Reading::Failed:
      break;
  }
  for (auto i : batch) setRow(i, "", reading.state, false);
}

CoordinateRun::Reading CoordinateRun::ask(const std::vector<std::size_t>& batch, const RunOptions& options) {
  std::vector<std::string> coordinates;
  {
    std::lock_guard lock(mutex_);
    for (auto i : batch) coordinates.push_back(*normalizedCoordinate(jobs_[i].source));
  }
  WebRequest request = coordinateRequest(page_, coordinates, options);
  request.cancel = &stop_;
  Pacer& pacer = Pacer::forService(serviceOf(page_));
  const PageTexts& texts = pageTexts(page_);

  Reading reading;
  for (int attempt = 0;; ++attempt) {
    if (!pacer.waitTurn(&stop_)) return {Reading::Stopped, {}, {}};
    WebResponse response = MapServiceClient::fetch(request);
    if (response.cancelled || stop_) return {Reading::Stopped, {}, {}};
    if (!response.ok()) return {Reading::Failed, {}, response.errorMessage};
    if (response.status != 200) return {Reading::Failed, {}, httpErrorState(response.status)};

    reading = {};
    PatternMatcher status;
    PatternMatcher points;
    if (page_ == CoordinatePage::BaiduConversion) {
      status.run(kBaiduStatusPattern, response.body, false, false, false);
      points.run(kBaiduPointPattern, response.body);
      if (status.count() == 0) return {Reading::Failed, {}, kUnreadableReplyState};
      long code = toNumber(trimmedKey(status.groupText(0, 0)), -1);
      reading.state = kMalformedLineState;
      if (baiduRateLimited(code)) {
        reading.kind = Reading::RateLimited;
      } else if (baiduKeyRefused(code)) {
        reading.kind = Reading::KeyRefused;
      } else if (code == 0 && points.count() == static_cast<int>(coordinates.size())) {
        reading.kind = Reading::Ok;
        reading.state = texts.succeededState;
        for (int i = 0; i < points.count(); ++i)
          reading.results.push_back(trimmedKey(points.groupText(i, 0)) + "," + trimmedKey(points.groupText(i, 1)));
      } else {
        reading.kind = Reading::Rejected;
      }
    } else {
      PatternMatcher message;
      message.run(kTencentMessagePattern, response.body, false, false, false);
      status.run(kTencentStatusPattern, response.body, false, false, false);
      if (status.count() == 0 && message.count() == 0) return {Reading::Failed, {}, kUnreadableReplyState};
      long code = toNumber(status.groupText(0, 0), 0);
      reading.state = decodeEscapes(message.groupText(0, 0));
      if (reading.state.empty()) reading.state = kUnreadableReplyState;
      if (tencentRateLimited(code)) {
        reading.kind = Reading::RateLimited;
      } else if (tencentKeyRefused(code)) {
        reading.kind = Reading::KeyRefused;
      } else if (page_ == CoordinatePage::ReverseGeocoding) {
        points.run(kAddressPattern, response.body, false, false, false);
        // A reply without an address leaves the row without one; its message says why. A
        // "query ok" without any address field is not a success, though.
        reading.kind = code == 0 ? Reading::Ok : Reading::Rejected;
        reading.results.push_back(code == 0 ? decodeEscapes(points.groupText(0, 0)) : "");
        if (code == 0 && points.count() == 0) reading.state = kUnreadableReplyState;
      } else {
        points.run(kTencentPointPattern, response.body);
        if (code == 0 && points.count() == static_cast<int>(coordinates.size())) {
          reading.kind = Reading::Ok;
          // The reply gives longitude first; the row keeps the input's latitude-first order.
          for (int i = 0; i < points.count(); ++i)
            reading.results.push_back(trimmedKey(points.groupText(i, 1)) + "," + trimmedKey(points.groupText(i, 0)));
        } else {
          reading.kind = Reading::Rejected;
          // The service says all went well but no point can be read: the row must not show
          // "query ok" beside an empty result.
          if (code == 0) reading.state = kUnreadableReplyState;
        }
      }
    }
    if (reading.kind != Reading::RateLimited || attempt >= RateLimitRetry::kRetries) break;
    if (!pauseWithMessages(RateLimitRetry::waitMs(), &stop_)) return {Reading::Stopped, {}, {}};
  }
  return reading;
}

}  // namespace tessary
