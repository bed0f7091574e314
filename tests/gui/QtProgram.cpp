#include "QtProgram.h"

#include "Locations.h"

QtProgram::~QtProgram() {
  // The windows go with the Qt backend, before the program's forms.
  if (started()) {
    form2().Hide();
    form1().Hide();
  }
}

void QtProgram::setActive(const std::string& name) {
  registry.setString(reg::kLocalMachine, Locations::kSettingsKey, "Library Name", name);
}

void QtProgram::start() {
  MolvaneHome::start(qt);
  form1().Show();
  qt.flush();
}

QRect QtProgram::inWindow(const TControl* c) {
  QWidget* w = widget(c);
  const QPoint topLeft = w->mapTo(qt.widgetOf(*c->Form()), QPoint(0, 0));
  return QRect(topLeft, w->size());
}
