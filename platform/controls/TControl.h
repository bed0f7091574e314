#pragma once

#include <string>

#include "TObject.h"
#include "layout/Layout.h"

class TForm;
class TApplication;

enum class TCursor { crDefault, crHandPoint };

// State shared by every control. Geometry is in the parent's client coordinates, as the layout
// gives it. Setters that change what is drawn tell the backend.
class TControl : public TObject {
public:
  TControl(TForm* form, TControl* parent, const LayoutControl& def);
  ~TControl() override;

  const std::string& Name() const { return def_.name; }
  const std::string& Kind() const { return def_.kind; }
  const LayoutControl& Definition() const { return def_; }
  TControl* Parent() const { return parent_; }
  TForm* Form() const { return form_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetTop(int top);
  // Position in the form's client coordinates, through the parents.
  int WindowLeft() const;
  int WindowTop() const;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);

  const std::string& FontName() const { return def_.font; }
  TCursor Cursor() const;
  int TabOrder() const { return def_.tabOrder; }
  bool CanFocus() const { return def_.tabOrder >= 0; }

  // A slot for the backend's own object (a widget, a window handle).
  void* peer = nullptr;

protected:
  void Changed();
  TApplication& App() const;

private:
  TForm* form_;
  TControl* parent_;
  LayoutControl def_;
  int left_, top_, width_, height_;
  std::string caption_;
};
