#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <set>
#include <vector>

#include "controls/ControlBackend.h"

class QFont;
struct LayoutFont;

// Draws the toolkit-neutral controls with Qt Widgets. Every widget is placed at the layout's
// pixel position; state flows from the controls to the widgets (batched until the event loop
// runs or flush() is called), and the user's input flows back through the controls' user*
// methods, which run the handlers.
class QtBackend : public QObject, public ControlBackend {
  Q_OBJECT
public:
  QtBackend();
  ~QtBackend() override;

  void formCreated(TForm& form) override;
  void controlChanged(TControl& control) override;
  void showForm(TForm& form) override;
  void hideForm(TForm& form) override;
  TRect outerRect(const TForm& form) override;
  void moveForm(TForm& form, int left, int top) override;
  std::uintptr_t nativeHandle(const TForm& form) override;
  void runMessageLoop() override;
  void quit() override;

  // Brings every widget up to date with its control now.
  void flush();
  QWidget* widgetOf(const TControl& control) const;
  TControl* controlOf(const QWidget* widget) const;

  // The font a layout font resolves to on this system: its face when installed, else the
  // first installed fallback, at the layout's pixel height.
  static QFont resolveFont(const LayoutFont& font);

private:
  void build(TForm& form, TControl& control, QWidget* parent);
  void sync(TControl& control);
  void scheduleFlush();
  void onFocusChanged(QWidget* old, QWidget* now);

  std::map<const TControl*, QPointer<QWidget>> widgets_;
  std::map<const QWidget*, TControl*> controls_;
  std::vector<QPointer<QWidget>> windows_;
  std::set<TControl*> dirty_;
  std::set<const TForm*> placed_;
  bool flushScheduled_ = false;
};
