#include "TForm.h"

#include "ControlBackend.h"
#include "TApplication.h"
#include "TButton.h"
#include "TCheckBox.h"
#include "TCheckListBox.h"
#include "TEdit.h"
#include "TGroupBox.h"
#include "TImage.h"
#include "TLabel.h"
#include "TRadioGroup.h"
#include "TSpeedButton.h"

namespace {

LayoutControl formDefinition(const Layout& layout) {
  LayoutControl def;
  def.name = layout.formName;
  def.kind = layout.formClass;
  def.text = layout.prop("caption");
  def.font = layout.font;
  def.width = layout.clientWidth ? layout.clientWidth : layout.outerWidth;
  def.height = layout.clientHeight ? layout.clientHeight : layout.outerHeight;
  def.props = layout.props;
  return def;
}

std::unique_ptr<TControl> makeControl(TForm* form, TControl* parent, const LayoutControl& def) {
  const std::string& k = def.kind;
  if (k == "TLabel") return std::make_unique<TLabel>(form, parent, def);
  if (k == "TButton") return std::make_unique<TButton>(form, parent, def);
  if (k == "TSpeedButton") return std::make_unique<TSpeedButton>(form, parent, def);
  if (k == "TImage") return std::make_unique<TImage>(form, parent, def);
  if (k == "TCheckListBox") return std::make_unique<TCheckListBox>(form, parent, def);
  if (k == "TRadioGroup") return std::make_unique<TRadioGroup>(form, parent, def);
  if (k == "TGroupBox") return std::make_unique<TGroupBox>(form, parent, def);
  if (k == "TCheckBox") return std::make_unique<TCheckBox>(form, parent, def);
  if (k == "TEdit") return std::make_unique<TEdit>(form, parent, def);
  throw std::logic_error("unknown control kind " + k);
}

}  // namespace

TForm::TForm(TApplication& app, const Layout& layout)
    : TControl(this, nullptr, formDefinition(layout)), app_(app), layout_(layout) {
  for (const LayoutControl& def : layout.controls) {
    TControl* parent = def.parent == layout.formName ? this : FindControl(def.parent);
    if (!parent) throw std::logic_error("control " + def.name + " has an unknown parent");
    controls_.push_back(makeControl(this, parent, def));
  }
}

TForm::~TForm() = default;

TControl* TForm::FindControl(const std::string& name) const {
  for (const auto& c : controls_)
    if (c->Name() == name) return c.get();
  return nullptr;
}

void TForm::Show() {
  // The first showing focuses the first tab stop; later ones keep what had the focus.
  if (!activeControl_) {
    for (const auto& c : controls_)
      if (c->CanFocus() && c->Parent() == this &&
          (!activeControl_ || c->TabOrder() < activeControl_->TabOrder()))
        activeControl_ = c.get();
  }
  visible_ = true;
  app_.Backend().showForm(*this);
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  app_.Backend().hideForm(*this);
}

void TForm::userClose() {
  if (app_.MainForm() == this) {
    app_.Terminate();
  } else {
    Hide();
  }
}

void TForm::DoCreate() {
  app_.userEvent([this] {
    if (OnCreate) OnCreate(this);
  });
}
