#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TForm.h"

class ControlBackend;
class FailureReporter;

// The application object: the title, the windows it created, the message loop, and the one
// place where a failure in a handler is caught and shown.
class TApplication {
public:
  TApplication(ControlBackend& backend, FailureReporter& reporter);
  ~TApplication();

  std::string Title;

  ControlBackend& Backend() const { return backend_; }
  FailureReporter& Reporter() const { return reporter_; }

  // Creates a window: builds it from its layout, lets the backend make its native windows, then
  // runs its OnCreate. The first window created is the main window.
  template <class T, class... Args>
  T& CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& ref = *form;
    forms_.push_back(std::move(form));
    formCreated(ref);
    return ref;
  }

  TForm* MainForm() const { return forms_.empty() ? nullptr : forms_.front().get(); }

  // Runs a handler that the user's input set off. A failure it raises ends the handler and is
  // shown in a box captioned with the title; the program goes on. Input that arrives while a
  // handler runs (a progress display lets the window system deliver it) runs nothing: each
  // handler runs to its end before the next begins.
  void userEvent(const std::function<void()>& handler);

  // Shows the main window and runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

private:
  void formCreated(TForm& form);

  ControlBackend& backend_;
  FailureReporter& reporter_;
  std::vector<std::unique_ptr<TForm>> forms_;
  bool terminated_ = false;
  bool handling_ = false;
};
