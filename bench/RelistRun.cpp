// Picking a library whose folder holds many entries, against filling a plain list widget with
// the same names, in one process, taken alternately. The program is built exactly as its entry
// builds it; the pick goes through the radio button, as the user's click does.
//   molvane_bench_relist <home> <big library> <small library> <runs>
// Prints one line "relist_ns <program> <baseline> items <count>" per run, after one untimed
// round that warms both up.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QListWidget>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

#include "BenchHome.h"
#include "BenchProgram.h"

namespace {

long long elapsedNs(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                              since)
      .count();
}

// Lets everything the change queued happen, then paints the list on the spot, as the screen
// would show it.
void settle(QWidget& list) {
  QCoreApplication::processEvents();
  list.repaint();
  QCoreApplication::processEvents();
}

int slotOf(TForm1& form, const std::string& name) {
  for (int i = 0; i < form.globals().LibCount; ++i)
    if (form.LibGroup->Item(i) == name) return i;
  return -1;
}

int run(BenchProgram& program, const std::string& big, const std::string& small, int runs) {
  TForm1& form = *program.form1;
  const int bigSlot = slotOf(form, big), smallSlot = slotOf(form, small);
  if (bigSlot < 0 || smallSlot < 0) {
    std::fprintf(stderr, "molvane_bench_relist: the libraries are not listed\n");
    return 1;
  }
  auto* buttons = program.backend.widgetOf(*form.LibGroup)->findChild<QButtonGroup*>();
  auto* view = qobject_cast<QListWidget*>(program.backend.widgetOf(*form.CheckListBox1));
  if (!buttons || !view) return 1;
  auto pick = [&](int slot) { buttons->button(slot)->click(); };

  // The names the program lists, in its order, for the baseline.
  pick(bigSlot);
  settle(*view);
  QStringList bigNames, smallNames;
  for (int i = 0; i < view->count(); ++i) bigNames << view->item(i)->text();
  pick(smallSlot);
  settle(*view);
  for (int i = 0; i < view->count(); ++i) smallNames << view->item(i)->text();

  QListWidget plain;
  plain.resize(view->size());
  plain.show();
  settle(plain);

  for (int round = 0; round <= runs; ++round) {
    pick(smallSlot);
    settle(*view);
    auto start = std::chrono::steady_clock::now();
    pick(bigSlot);
    settle(*view);
    const long long programNs = elapsedNs(start);
    if (form.LibGroup->ItemIndex() != bigSlot || view->count() != bigNames.size()) {
      std::fprintf(stderr, "molvane_bench_relist: the pick did not list the library\n");
      return 1;
    }

    plain.clear();
    plain.addItems(smallNames);
    settle(plain);
    start = std::chrono::steady_clock::now();
    plain.clear();
    plain.addItems(bigNames);
    settle(plain);
    const long long baselineNs = elapsedNs(start);

    if (round > 0)
      std::printf("relist_ns %lld %lld items %lld\n", programNs, baselineNs,
                  static_cast<long long>(bigNames.size()));
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc != 5) {
    std::fprintf(stderr, "usage: molvane_bench_relist <home> <big> <small> <runs>\n");
    return 2;
  }
  const BenchHome home(argv[1]);
  const int runs = static_cast<int>(parseCount(argv[4], "runs"));
  BenchProgram program(home.hiveFolder.string(), home.root.string());
  int status = 1;
  QTimer::singleShot(0, [&] {
    status = run(program, argv[2], argv[3], runs);
    program.app.Terminate();
  });
  program.app.Run();
  return status;
}
