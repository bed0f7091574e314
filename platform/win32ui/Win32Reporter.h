#pragma once

#include <string>

#include "FailureReporter.h"

// The failure box: MessageBoxA captioned with the application title, a stop icon, one OK
// button, owned by the program's active window.
class Win32Reporter : public FailureReporter {
public:
  explicit Win32Reporter(std::string title) : title_(std::move(title)) {}
  void showFailure(const std::string& text) override;

private:
  std::string title_;
};
