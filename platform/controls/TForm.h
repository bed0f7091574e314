#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "TControl.h"

class TApplication;

// A top-level window built from its layout: it creates and owns every control the layout names.
class TForm : public TControl {
public:
  TForm(TApplication& app, const Layout& layout);
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  TApplication& Application() const { return app_; }
  const Layout& WindowLayout() const { return layout_; }
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return controls_; }
  TControl* FindControl(const std::string& name) const;

  // The control of that name and class; a layout that lacks it is a build fault.
  template <class T>
  T* Control(const std::string& name) const {
    T* c = dynamic_cast<T*>(FindControl(name));
    if (!c) throw std::logic_error("layout of " + Name() + " lacks " + name);
    return c;
  }

  // Modeless show: make visible and bring to the front.
  void Show();
  void Hide();
  bool Showing() const { return visible_; }

  // The control that has, or last had, the keyboard focus in this window.
  TControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TControl* control) { activeControl_ = control; }

  // The user asked the window to close (close box, system menu, Alt+F4). The main window ends
  // the program; any other window only hides.
  void userClose();
  // The user moved focus to a control, or the window was moved or resized by the user.
  void userFocus(TControl* control) { activeControl_ = control; }

  TNotifyEvent OnCreate;
  // Runs OnCreate; a failure inside it is shown and ends only the handler.
  void DoCreate();

private:
  TApplication& app_;
  const Layout& layout_;
  std::vector<std::unique_ptr<TControl>> controls_;
  TControl* activeControl_ = nullptr;
  bool visible_ = false;
};
