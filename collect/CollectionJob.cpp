#include "collect/CollectionJob.h"

#include <exception>
#include <utility>

#include "collect/Exchange.h"

namespace tessary {

using collect_detail::trimmed;

namespace {

// One identity per place: the service's own id where it gives one, else (Tencent) the title
// and coordinate together.
std::string identity(MapSource source, const PlaceRecord& r) {
  std::string key(sourceName(source));
  if (!r.serviceId.empty()) return key + "\x1fid\x1f" + r.serviceId;
  return key + "\x1f" + r.title + "\x1f" + r.coordinate;
}

std::string skippedCityText(MapSource source, const std::string& line) {
  if (source == MapSource::Amap) return "缺少高德城市代码，已跳过：" + line;
  return "未找到城市，已跳过：" + line;
}

std::string keyRefusedText(const std::string& reason) { return "腾讯密钥不可用：" + reason; }

}  // namespace

std::string completedStatus(int failedRequests, int skippedCities) {
  // The skip and failure texts are overwritten as the run goes on; the end text keeps count.
  std::string extra;
  if (failedRequests > 0) extra += "，" + std::to_string(failedRequests) + "个请求失败";
  if (skippedCities > 0) extra += "，" + std::to_string(skippedCities) + "个城市已跳过";
  if (extra.empty()) return CollectTexts::completed;
  return "----采集完成" + extra + "----";
}

std::vector<std::string> collectLines(std::string_view text) {
  std::vector<std::string> lines;
  std::set<std::string> had;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string line = trimmed(text.substr(start, end - start));
    if (!line.empty() && had.insert(line).second) lines.push_back(std::move(line));
    if (end == text.size()) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

bool hasLinesWithoutAmapCode(std::string_view cityText) {
  for (const auto& line : collectLines(cityText)) {
    auto bar = line.find('|');
    if (bar == std::string::npos || trimmed(std::string_view(line).substr(bar + 1)).empty()) return true;
  }
  return false;
}

CollectionJob::CollectionJob(CollectionListener& listener) : listener_(listener) {}

CollectionJob::~CollectionJob() {
  stop();
  wait();
}

std::string CollectionJob::missingInput(MapSource source, std::string_view cityText,
                                        std::string_view keywordText, std::string_view key) {
  bool empty = collectLines(cityText).empty() || collectLines(keywordText).empty();
  switch (source) {
    case MapSource::Baidu: return empty ? "请先输入城市名与关键词" : "";
    case MapSource::Amap: return empty ? "请先选择城市输入关键词" : "";
    case MapSource::Tencent:
      return (empty || trimmed(key).empty()) ? "请先输入城市名/关键词/密钥" : "";
  }
  return {};
}

std::string CollectionJob::start(MapSource source, std::string_view cityText,
                                 std::string_view keywordText, std::string_view key,
                                 CollectOptions options) {
  std::string refusal = missingInput(source, cityText, keywordText, key);
  if (!refusal.empty()) return refusal;
  stop();
  wait();
  stop_ = false;
  running_ = true;
  {
    std::lock_guard lock(stateMutex_);
    stats_ = {};
  }
  worker_ = std::thread(&CollectionJob::work, this, source, collectLines(cityText),
                        collectLines(keywordText), std::string(key), options);
  return {};
}

void CollectionJob::stop() {
  if (running_) stop_ = true;
}

void CollectionJob::wait() {
  if (worker_.joinable()) worker_.join();
}

void CollectionJob::clear() {
  std::lock_guard lock(listMutex_);
  records_.clear();
  seen_.clear();
  listener_.rowsCleared();
}

std::vector<PlaceRecord> CollectionJob::records() const {
  std::lock_guard lock(listMutex_);
  return records_;
}

std::vector<Row> CollectionJob::rows() const {
  std::lock_guard lock(listMutex_);
  std::vector<Row> rows;
  rows.reserve(records_.size());
  for (const auto& r : records_) rows.push_back(r.cells());
  return rows;
}

std::string CollectionJob::status() const {
  std::lock_guard lock(stateMutex_);
  return status_;
}

CollectStats CollectionJob::stats() const {
  std::lock_guard lock(stateMutex_);
  return stats_;
}

void CollectionJob::setStatus(const std::string& text) {
  {
    std::lock_guard lock(stateMutex_);
    status_ = text;
  }
  listener_.statusText(text);
}

std::size_t CollectionJob::add(MapSource source, std::vector<PlaceRecord> places) {
  std::lock_guard lock(listMutex_);
  const std::size_t first = records_.size();
  std::vector<Row> added;
  for (auto& place : places) {
    if (!seen_.insert(identity(source, place)).second) continue;
    place.serial = std::to_string(records_.size() + 1);
    added.push_back(place.cells());
    records_.push_back(std::move(place));
  }
  if (!added.empty()) listener_.rowsAdded(first, added);
  return added.size();
}

void CollectionJob::work(MapSource source, std::vector<std::string> cities,
                         std::vector<std::string> keywords, std::string key,
                         CollectOptions options) {
  using Outcome = SearchResult::Outcome;
  setStatus(CollectTexts::running);
  listener_.collectedCount(0);
  CollectStats stats;
  std::string refusal;  // set when the service refuses the key
  std::string error;    // set when the run broke off
  auto publish = [&] {
    std::lock_guard lock(stateMutex_);
    stats_ = stats;
  };
  auto failed = [&](const SearchResult& r, const std::string& city, const std::string& keyword,
                    int page) {
    ++stats.failedRequests;
    publish();
    setStatus(r.message);
    listener_.requestFailed(city, keyword, page, r.message);
  };

  try {
    auto search = makePlaceSearch(source, {key, &stop_, options.timeouts});
    for (const std::string& cityLine : cities) {
      if (stop_ || !refusal.empty()) break;
      const std::string city = cityName(cityLine);
      SearchResult opened = search->openCity(cityLine);
      stats.requests += opened.requests;
      if (opened.outcome == Outcome::Stopped) break;
      if (opened.outcome == Outcome::NoCity) {
        ++stats.skippedCities;
        publish();
        setStatus(skippedCityText(source, cityLine));
        continue;
      }
      if (opened.outcome == Outcome::KeyRefused) {
        ++stats.failedRequests;
        refusal = opened.message;
        break;
      }
      if (opened.outcome == Outcome::Failed) {
        // Without its code the city has nothing to search; the next city may fare better.
        failed(opened, city, "", 0);
        continue;
      }
      for (const std::string& keyword : keywords) {
        if (stop_ || !refusal.empty()) break;
        for (int page = 1; page <= options.maxPages && !stop_; ++page) {
          listener_.progress(city, keyword, page);
          SearchResult result = search->search(cityLine, keyword, page);
          stats.requests += result.requests;
          if (result.outcome == Outcome::Stopped) break;
          if (result.outcome == Outcome::KeyRefused) {
            ++stats.failedRequests;
            refusal = result.message;
            break;
          }
          if (result.outcome == Outcome::Failed) {
            failed(result, city, keyword, page);
            break;  // on with the next keyword
          }
          const bool last = search->lastPage(result, page);
          std::size_t added = add(source, std::move(result.places));
          if (added > 0) {
            stats.collected += added;
            listener_.collectedCount(stats.collected);
          }
          publish();
          if (last) break;
        }
      }
    }
  } catch (const std::exception& e) {
    // Out of memory on a huge run, for one: tell the user instead of ending silently.
    error = std::string("运行出错：") + e.what();
  }

  stats.stopped = stop_.load();
  stats.keyRefused = !refusal.empty();
  publish();
  if (stats.stopped) {
    setStatus(CollectTexts::stopped);
  } else if (!error.empty()) {
    setStatus(error);
    listener_.notice(error);
  } else if (stats.keyRefused) {
    setStatus(keyRefusedText(refusal));
    listener_.notice(keyRefusedText(refusal));
  } else {
    setStatus(completedStatus(stats.failedRequests, stats.skippedCities));
    listener_.notice(CollectTexts::completedNotice);
  }
  running_ = false;
  listener_.finished(stats.stopped);
}

}  // namespace tessary
