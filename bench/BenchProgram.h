#pragma once

#include <string>

#include "Main.h"
#include "NewLibName.h"
#include "posix/PosixFileSystem.h"
#include "posix/ProcProcessProbe.h"
#include "posix/XdgShellOpener.h"
#include "qt/QtBackend.h"
#include "qt/QtProgressDisplay.h"
#include "qt/QtReporter.h"
#include "registry/FileHiveRegistry.h"

// The program as its entry (program/Molvane.cpp) composes it, step for step, with the home and
// hive folders given by the benchmark instead of read from the environment. Construct it after
// the QApplication; app.Run() then shows the main window and runs the message loop.
class BenchProgram {
public:
  BenchProgram(const std::string& hiveFolder, const std::string& home);

  FileHiveRegistry registry;
  PosixFileSystem files;
  XdgShellOpener shell;
  ProcProcessProbe processes;
  QtProgressDisplay progress;
  Services services;
  QtBackend backend;
  QtReporter reporter;
  TApplication app;
  TForm1* form1 = nullptr;
  TForm2* form2 = nullptr;
};
