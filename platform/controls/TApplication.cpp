#include "TApplication.h"

#include <exception>

#include "ControlBackend.h"
#include "FailureReporter.h"

TApplication::TApplication(ControlBackend& backend, FailureReporter& reporter)
    : backend_(backend), reporter_(reporter) {}

TApplication::~TApplication() = default;

void TApplication::formCreated(TForm& form) {
  backend_.formCreated(form);
  form.DoCreate();
}

void TApplication::userEvent(const std::function<void()>& handler) {
  if (handling_) return;
  handling_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{handling_};
  try {
    handler();
  } catch (const std::exception& e) {
    reporter_.showFailure(failureBoxText(e.what()));
  } catch (...) {
    reporter_.showFailure(failureBoxText("Unexpected failure"));
  }
}

void TApplication::Run() {
  if (terminated_) return;
  if (TForm* main = MainForm()) main->Show();
  backend_.runMessageLoop();
}

void TApplication::Terminate() {
  terminated_ = true;
  backend_.quit();
}
