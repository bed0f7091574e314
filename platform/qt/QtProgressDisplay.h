#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

#include "controls/ProgressDisplay.h"

// A modal progress dialog in the skin, shown once the work has run for half a second. The work
// runs on the window thread and keeps the dialog alive through update().
class QtProgressDisplay : public ProgressDisplay {
public:
  void begin(const std::string& title, std::uint64_t totalBytes) override;
  bool update(const std::string& file, std::uint64_t doneBytes) override;
  void end() override;

  // The dialog while it exists, for tests.
  QProgressDialog* dialog() const { return dialog_.data(); }

private:
  QPointer<QProgressDialog> dialog_;
  QElapsedTimer clock_;
  std::uint64_t total_ = 0;
  bool cancelled_ = false;
};

// Bytes as people read them: "512 bytes", "3.4 MB", "1.0 GB".
std::string readableSize(std::uint64_t bytes);
