// The start-up baseline: a bare Qt program that shows an empty window of the given size.
//   molvane_bench_bare_window <width> <height>
// Prints "paint_ns <monotonic clock at first paint>" and ends.
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "FirstPaint.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: molvane_bench_bare_window <width> <height>\n");
    return 2;
  }
  QWidget window;
  window.resize(std::atoi(argv[1]), std::atoi(argv[2]));
  FirstPaint watch(window, [](long long at) {
    std::printf("paint_ns %lld\n", at);
    std::fflush(stdout);
    QApplication::quit();
  });
  window.show();
  return QApplication::exec();
}
