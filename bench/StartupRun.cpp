// Start-up of the program up to the main window's first paint, in a process of its own: the
// windows are built exactly as the program's entry builds them, over the home and hive folders
// given here.
//   molvane_bench_startup <home>
// Prints "paint_ns <monotonic clock at first paint> size <width> <height> items <file list>"
// and ends.
#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "BenchHome.h"
#include "BenchProgram.h"
#include "FirstPaint.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: molvane_bench_startup <home>\n");
    return 2;
  }
  const BenchHome home(argv[1]);
  BenchProgram program(home.hiveFolder.string(), home.root.string());

  QWidget* window = program.backend.widgetOf(*program.form1);
  if (!window) return 1;
  FirstPaint watch(*window, [&](long long at) {
    std::printf("paint_ns %lld size %d %d items %d\n", at, window->width(), window->height(),
                program.form1->CheckListBox1->Count());
    std::fflush(stdout);
    program.app.Terminate();
  });
  program.app.Run();
  return 0;
}
