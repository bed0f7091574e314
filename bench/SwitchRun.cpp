// One switch as the user makes it, in a process of its own so that its peak memory can be read:
// the program, built exactly as its entry builds it, picks a library, ticks the further files
// named, and runs "Make library active" with CheckBox1 ticked, all through the window's widgets.
//   molvane_bench_switch <home> <library> [further file ...]
// Prints "switch_ns <nanoseconds of the click>" and checks that the iTunes folder then holds the
// library's copies and the previous library the iTunes folder's, so that a switch that did
// nothing can never pass for a fast one.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchHome.h"
#include "BenchProgram.h"

namespace {

// The size and the first and last 64 KiB of a file: enough to tell the benchmark's files apart.
std::string fingerprint(const std::filesystem::path& file) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return "missing";
  std::string print(1u << 17, '\0');
  std::size_t got = std::fread(print.data(), 1, 1u << 16, f);
  if (std::fseek(f, -(1L << 16), SEEK_END) == 0)
    got += std::fread(print.data() + got, 1, 1u << 16, f);
  print.resize(got);
  print += '/';
  print += std::to_string(std::ftell(f));
  std::fclose(f);
  return print;
}

int fail(const std::string& why) {
  std::fprintf(stderr, "molvane_bench_switch: %s\n", why.c_str());
  return 1;
}

int run(BenchProgram& program, const BenchHome& home, const std::string& library,
        const std::vector<std::string>& extras) {
  TForm1& form = *program.form1;
  int slot = -1;
  for (int i = 0; i < form.globals().LibCount; ++i)
    if (form.LibGroup->Item(i) == library) slot = i;
  if (slot < 0) return fail("no library named " + library);
  if (slot == form.globals().ActiveLib) return fail(library + " is already active");
  if (!form.CheckBox1->Checked()) return fail("CheckBox1 is not ticked");

  auto* buttons = program.backend.widgetOf(*form.LibGroup)->findChild<QButtonGroup*>();
  auto* list = qobject_cast<QListWidget*>(program.backend.widgetOf(*form.CheckListBox1));
  auto* button = qobject_cast<QPushButton*>(program.backend.widgetOf(*form.Button2));
  if (!buttons || !list || !button) return fail("the window lacks its widgets");
  buttons->button(slot)->click();
  QCoreApplication::processEvents();
  for (int i = 0; i < list->count(); ++i)
    for (const std::string& extra : extras)
      if (list->item(i)->text().toStdString() == extra) list->item(i)->setCheckState(Qt::Checked);
  QCoreApplication::processEvents();

  std::vector<std::string> ticked;
  for (int i = 0; i < form.CheckListBox1->Count(); ++i)
    if (form.CheckListBox1->Checked(i)) ticked.push_back(form.CheckListBox1->Item(i));
  if (ticked.size() != 4 + extras.size()) return fail("the file list lacks some of the files");
  const std::string previous = form.LibGroup->Item(form.globals().ActiveLib);
  std::vector<std::string> iTunesBefore;
  for (const std::string& name : ticked) iTunesBefore.push_back(fingerprint(home.iTunes / name));

  const auto start = std::chrono::steady_clock::now();
  button->click();
  const auto end = std::chrono::steady_clock::now();

  if (form.globals().ActiveLib != slot) return fail("the switch did not happen");
  for (std::size_t i = 0; i < ticked.size(); ++i) {
    const std::string& name = ticked[i];
    if (fingerprint(home.iTunes / name) != fingerprint(home.libraries / library / name))
      return fail("the iTunes folder does not hold the library's " + name);
    if (fingerprint(home.libraries / previous / name) != iTunesBefore[i])
      return fail("the iTunes folder's " + name + " was not saved back into " + previous);
  }
  std::printf("switch_ns %lld\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count()));
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc < 3) return fail("usage: molvane_bench_switch <home> <library> [further file ...]");
  const BenchHome home(argv[1]);
  const std::string library = argv[2];
  const std::vector<std::string> extras(argv + 3, argv + argc);
  BenchProgram program(home.hiveFolder.string(), home.root.string());

  // A failure box would wait for a click that never comes: say what it says and end.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      fail("Molvane reported: " + box->text().toStdString());
      std::_Exit(1);
    }
  });
  watch.start(100);

  int status = 1;
  QTimer::singleShot(0, [&] {
    status = run(program, home, library, extras);
    program.app.Terminate();
  });
  program.app.Run();
  return status;
}
