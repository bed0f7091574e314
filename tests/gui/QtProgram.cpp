#include "QtProgram.h"

#include "Locations.h"

QtProgram::QtProgram()
    : home(temp.path() / "home"),
      music(home / "My Documents" / "My Music"),
      iTunes(music / "iTunes"),
      librariesRoot(music / "Molvane") {
  std::filesystem::create_directories(iTunes);
  std::filesystem::create_directories(librariesRoot);
  registry.setString(reg::kCurrentUser, Locations::kVolatileEnvironment, "HOMEDRIVE", "");
  registry.setString(reg::kCurrentUser, Locations::kVolatileEnvironment, "HOMEPATH",
                     toProgramPath(home));
  registry.setString(reg::kLocalMachine, Locations::kSettingsKey, "Library Name", "");
  registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "First Use", 1);
  registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "Overwrite Library", 1);
  registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "Copy Content", 0);
}

QtProgram::~QtProgram() {
  if (form2_) form2_->Hide();
  if (form1_) form1_->Hide();
}

void QtProgram::library(const std::string& name, const std::vector<std::string>& names) {
  std::filesystem::create_directories(librariesRoot / name);
  for (const std::string& f : names) writeText(librariesRoot / name / f, f);
}

void QtProgram::setActive(const std::string& name) {
  registry.setString(reg::kLocalMachine, Locations::kSettingsKey, "Library Name", name);
}

void QtProgram::start() {
  services_ = std::make_unique<Services>(
      Services{registry, filesLayer ? *filesLayer : files, shell,
               toProgramPath(temp.path() / "molvane"), processes, progress});
  app_ = std::make_unique<TApplication>(backend, reporter);
  app_->Title = "Molvane";
  form1_ = &app_->CreateForm<TForm1>(*services_);
  form2_ = &app_->CreateForm<TForm2>(form1_->globals(), form1_->view(), *services_);
  form1_->SetNameDialog(form2_);
  form1_->Show();
  backend.flush();
}

QRect QtProgram::inWindow(const TControl* c) {
  QWidget* w = widget(c);
  const QPoint topLeft = w->mapTo(backend.widgetOf(*c->Form()), QPoint(0, 0));
  return QRect(topLeft, w->size());
}
