#include "BenchProgram.h"

#include <QCoreApplication>
#include <cstdlib>

namespace {

const char* const kTitle = "Molvane";

std::string programPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string searchPath() {
  const char* path = std::getenv("PATH");
  return path ? path : "";
}

}  // namespace

BenchProgram::BenchProgram(const std::string& hiveFolder, const std::string& home)
    : registry(hiveFolder, home),
      shell(searchPath()),
      services{registry,   files,
               shell,      programPath(QCoreApplication::applicationFilePath().toStdString()),
               &processes, &progress},
      reporter(kTitle),
      app(backend, reporter) {
  app.Title = kTitle;
  form1 = &app.CreateForm<TForm1>(services);
  form2 = &app.CreateForm<TForm2>(form1->globals(), form1->view(), services);
  form1->SetNameDialog(form2);
}
