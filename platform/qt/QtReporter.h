#pragma once

#include <string>

#include "FailureReporter.h"

// The failure box: captioned with the application title, a stop icon, one OK button.
class QtReporter : public FailureReporter {
public:
  explicit QtReporter(std::string title) : title_(std::move(title)) {}
  void showFailure(const std::string& text) override;

private:
  std::string title_;
};
