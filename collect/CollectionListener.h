#pragma once
// What a collection run reports beyond the rows and texts every run reports: the progress
// boxes (当前城市, 当前关键词, 页码) and the count box (成功采集).

#include <cstddef>
#include <string>

#include "coords/RunListener.h"

namespace tessary {

class CollectionListener : public RunListener {
 public:
  // The page about to be fetched; city is the name part of the city line.
  virtual void progress(const std::string& city, const std::string& keyword, int page) = 0;
  // Places this run has added to the list so far.
  virtual void collectedCount(std::size_t count) = 0;
  // A request failed for good (page 0: the city lookup). The status text shows the message
  // too; this call lets a front end keep a log of every failure.
  virtual void requestFailed(const std::string& city, const std::string& keyword, int page,
                             const std::string& message) {
    (void)city, (void)keyword, (void)page, (void)message;
  }
  // Collection rows never change once added.
  void rowChanged(std::size_t, const Row&) override {}
};

}  // namespace tessary
