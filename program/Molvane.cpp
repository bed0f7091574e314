// The Qt program's entry and the one place that builds the real platform objects: the only code
// that reads the environment. On Windows the platform is the real registry and Win32 calls; on
// other systems, hive files in the user's configuration folder and POSIX calls.
#include <QApplication>
#include <cstdlib>
#include <string>

#include "Main.h"
#include "NewLibName.h"
#include "qt/QtBackend.h"
#include "qt/QtProgressDisplay.h"
#include "qt/QtReporter.h"
#if defined(_WIN32)
#include "win32/Win32FileSystem.h"
#include "win32/Win32ProcessProbe.h"
#include "win32/Win32Registry.h"
#include "win32/Win32ShellOpener.h"
#else
#include "posix/PosixFileSystem.h"
#include "posix/ProcProcessProbe.h"
#include "posix/XdgShellOpener.h"
#include "registry/FileHiveRegistry.h"
#endif

namespace {

#if !defined(_WIN32)
std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}
#endif

std::string programPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);

#if defined(_WIN32)
  Win32Registry registry;
  Win32FileSystem files;
  Win32ShellOpener shell;
  Win32ProcessProbe processes;
#else
  const std::string home = env("HOME");
  const std::string config =
      env("XDG_CONFIG_HOME").empty() ? home + "/.config" : env("XDG_CONFIG_HOME");
  FileHiveRegistry registry(config + "/molvane/registry", home);
  PosixFileSystem files;
  XdgShellOpener shell(env("PATH"));
  ProcProcessProbe processes;
#endif
  QtProgressDisplay progress;
  Services services{registry, files, shell,
                    programPath(QCoreApplication::applicationFilePath().toStdString()),
                    &processes, &progress};

  const std::string title = "Molvane";
  QtBackend backend;
  QtReporter reporter(title);
  TApplication app(backend, reporter);
  app.Title = title;
  TForm1& form1 = app.CreateForm<TForm1>(services);
  TForm2& form2 = app.CreateForm<TForm2>(form1.globals(), form1.view(), services);
  form1.SetNameDialog(&form2);
  app.Run();
  return 0;
}
