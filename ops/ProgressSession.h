#pragma once

#include <cstdint>
#include <string>

#include "controls/ProgressDisplay.h"

// One long copy on a progress display: begun when made and ended when gone, however the work
// ends (done, cancelled, failed or raised), so no dialog is ever left standing. Without a
// display it shows nothing and never cancels.
class ProgressSession {
public:
  ProgressSession(ProgressDisplay* display, const std::string& title, std::uint64_t totalBytes)
      : display_(display) {
    if (display_) display_->begin(title, totalBytes);
  }
  ~ProgressSession() {
    if (display_) display_->end();
  }
  ProgressSession(const ProgressSession&) = delete;
  ProgressSession& operator=(const ProgressSession&) = delete;

  // Answers false once the user has asked to cancel.
  bool update(const std::string& file, std::uint64_t doneBytes) {
    return !display_ || display_->update(file, doneBytes);
  }

private:
  ProgressDisplay* display_;
};
