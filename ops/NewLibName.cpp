#include "NewLibName.h"

#include <algorithm>

#include "FailureReporter.h"
#include "LibraryAdder.h"
#include "controls/TApplication.h"

TForm2::TForm2(TApplication& app, Globals& globals, MainView view, Services& services)
    : TForm(app, windowLayout("NewLibName")),
      Label1(Control<TLabel>("Label1")),
      Edit1(Control<TEdit>("Edit1")),
      Button1(Control<TButton>("Button1")),
      g_(globals),
      v_(view),
      services_(services) {
  Edit1->OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { Accept(s, k, sh); };
  Button1->OnClick = [this](TObject* s) { Cancel(s); };
}

TRect TForm2::centredOver(const TRect& owner, const TRect& dialog) {
  TRect r = dialog;
  // Integer division truncates, which is rounding toward zero for negative differences too.
  r.left = std::max(0, owner.left + (owner.width - dialog.width) / 2);
  r.top = std::max(0, owner.top + (owner.height - dialog.height) / 2);
  return r;
}

void TForm2::CreateNewLib(TForm& mainForm) {
  if (g_.LibCount > 4) return;
  // Already open: neither moved nor brought to the front.
  if (Showing()) return;
  if (!openedBefore_) {
    ControlBackend& backend = Application().Backend();
    const TRect at = centredOver(backend.outerRect(mainForm), backend.outerRect(*this));
    backend.moveForm(*this, at.left, at.top);
    SetActiveControl(Edit1);
    openedBefore_ = true;
  }
  // Later openings keep the position, size and focused control the dialog was hidden with.
  Show();
}

void TForm2::Accept(TObject*, std::uint16_t& Key, TShiftState) {
  // Every other key only edits; the modifiers are not looked at.
  if (Key != VK_RETURN) return;
  LibraryAdder adder(services_.files, g_, v_, services_.processes, services_.progress);
  if (const LibraryAdder::Result result = adder.add(Edit1->Text());
      result.outcome != LibraryAdder::Outcome::Added) {
    // The dialog stays open with the text, so the user can correct it or try again.
    if (!result.why.empty()) Application().Reporter().showFailure(failureBoxText(result.why));
    return;
  }
  Edit1->Clear();
  Hide();
}

void TForm2::Cancel(TObject*) {
  Edit1->Clear();
  Hide();
}
