#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/ProgressDisplay.h"

// Records what a long copy shows, and can play a user who cancels at a chosen update or who
// clicks elsewhere while the progress shows.
class RecordingProgressDisplay : public ProgressDisplay {
public:
  struct Update {
    std::string file;
    std::uint64_t done = 0;
  };

  std::vector<std::string> titles;    // one per begin
  std::vector<std::uint64_t> totals;  // one per begin
  std::vector<Update> updates;        // all of them, over every begin
  int ends = 0;

  // Cancel at this update (counting from 1 over the display's life); 0: never. From then on
  // every update answers false until the next begin, as a dialog whose Cancel was pressed.
  std::size_t cancelAt = 0;
  // Runs inside every update with its number: what the window system delivers meanwhile.
  std::function<void(std::size_t)> duringUpdate;

  bool showing() const { return static_cast<int>(titles.size()) > ends; }
  void reset() { *this = RecordingProgressDisplay(); }

  void begin(const std::string& title, std::uint64_t totalBytes) override {
    titles.push_back(title);
    totals.push_back(totalBytes);
    cancelled_ = false;
  }
  bool update(const std::string& file, std::uint64_t doneBytes) override {
    updates.push_back({file, doneBytes});
    if (duringUpdate) duringUpdate(updates.size());
    if (cancelAt != 0 && updates.size() == cancelAt) cancelled_ = true;
    return !cancelled_;
  }
  void end() override { ++ends; }

private:
  bool cancelled_ = false;
};
