#pragma once
// How a run (a conversion, a reverse-geocoding run, later the collection) tells its front end
// what happens. Calls arrive on the run's worker thread; the window posts them to its own
// thread, the command line writes them out. A row is the texts of its cells in column order.

#include <cstddef>
#include <string>
#include <vector>

namespace tessary {

using Row = std::vector<std::string>;

class RunListener {
 public:
  virtual ~RunListener() = default;
  // The list was emptied (a new run replaces the list, or the user cleared it).
  virtual void rowsCleared() {}
  // rows were appended; the first of them has index `first` (0-based list position).
  virtual void rowsAdded(std::size_t first, const std::vector<Row>& rows) = 0;
  virtual void rowChanged(std::size_t index, const Row& row) = 0;
  // Replaces the whole text of the page's status box.
  virtual void statusText(const std::string& text) = 0;
  // A message for a box titled "提示".
  virtual void notice(const std::string& text) = 0;
  // The run has ended; stopped tells whether the user stopped it.
  virtual void finished(bool stopped) = 0;
};

}  // namespace tessary
