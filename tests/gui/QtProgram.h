#pragma once

#include <QRect>
#include <QWidget>

#include "Main.h"
#include "MolvaneHome.h"
#include "NewLibName.h"
#include "qt/QtBackend.h"

// The whole program of MolvaneHome, drawn by the Qt backend (offscreen) instead of the headless
// one; start() also shows the main window.
class QtProgram : public MolvaneHome {
public:
  ~QtProgram();

  QtBackend qt;

  // The settings name this library as the active one.
  void setActive(const std::string& name);
  void start();

  QWidget* window() { return qt.widgetOf(form1()); }
  QWidget* widget(const TControl* c) { return qt.widgetOf(*c); }
  // A control's rectangle in its window's client coordinates.
  QRect inWindow(const TControl* c);
};
