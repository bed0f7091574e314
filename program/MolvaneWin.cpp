// The Windows program's entry and the one place that builds the real platform objects, in the
// same order as the Linux entry.
#include "win32ui/Win32Backend.h"

#include <exception>
#include <string>

#include "Main.h"
#include "NewLibName.h"
#include "win32/Win32FileSystem.h"
#include "win32/Win32ProcessProbe.h"
#include "win32/Win32Registry.h"
#include "win32/Win32ShellOpener.h"
#include "win32ui/Win32ProgressDisplay.h"
#include "win32ui/Win32Reporter.h"

namespace {

// The running program's full path, however long.
std::string executablePath() {
  std::string path(MAX_PATH, '\0');
  while (true) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Win32Registry registry;
  Win32FileSystem files;
  Win32ShellOpener shell;
  Win32ProcessProbe processes;
  Win32ProgressDisplay progress;
  Services services{registry, files, shell, executablePath(), &processes, &progress};

  const std::string title = "Molvane";
  Win32Backend backend;
  Win32Reporter reporter(title);
  TApplication app(backend, reporter);
  app.Title = title;
  try {
    TForm1& form1 = app.CreateForm<TForm1>(services);
    TForm2& form2 = app.CreateForm<TForm2>(form1.globals(), form1.view(), services);
    form1.SetNameDialog(&form2);
  } catch (const std::exception& e) {
    // A window the system would not make: nothing could be shown or run.
    reporter.showFailure(failureBoxText(e.what()));
    return 1;
  }
  app.Run();
  return 0;
}
