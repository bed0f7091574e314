#pragma once

#include <string>

// Shows a failure to the user: a message box captioned with the application title, a stop icon
// and one OK button. Tests inject one that records the texts instead.
class FailureReporter {
public:
  virtual ~FailureReporter() = default;
  virtual void showFailure(const std::string& text) = 0;
};

// The text a failure box shows: a full stop is appended only when the last character sorts
// after "." (so texts ending in a quote or a full stop get none).
std::string failureBoxText(const std::string& message);
