#pragma once

#include <QWidget>
#include <filesystem>
#include <memory>

#include "Fakes.h"
#include "Main.h"
#include "MemoryRegistry.h"
#include "NewLibName.h"
#include "TempDir.h"
#include "posix/PosixFileSystem.h"
#include "qt/QtBackend.h"

// The whole program on the Qt backend (offscreen), over a temporary home and a registry in
// memory, built as the program's entry builds it.
class QtProgram {
public:
  QtProgram();
  ~QtProgram();

  TempDir temp;
  std::filesystem::path home, music, iTunes, librariesRoot;
  MemoryRegistry registry;
  PosixFileSystem files;
  RecordingShell shell;
  RecordingReporter reporter;
  QtBackend backend;
  // Handed to the program at start(); none by default.
  ProcessProbe* processes = nullptr;
  ProgressDisplay* progress = nullptr;
  fs::FileSystem* filesLayer = nullptr;

  void library(const std::string& name, const std::vector<std::string>& files);
  void setActive(const std::string& name);
  // Creates both windows and shows the main one.
  void start();

  TApplication& app() { return *app_; }
  TForm1& form1() { return *form1_; }
  TForm2& form2() { return *form2_; }
  QWidget* window() { return backend.widgetOf(*form1_); }
  QWidget* widget(const TControl* c) { return backend.widgetOf(*c); }
  // A control's rectangle in its window's client coordinates.
  QRect inWindow(const TControl* c);

private:
  std::unique_ptr<Services> services_;
  std::unique_ptr<TApplication> app_;
  TForm1* form1_ = nullptr;
  TForm2* form2_ = nullptr;
};
