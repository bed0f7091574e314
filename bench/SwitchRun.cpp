// One switch as the user makes it, in a process of its own so that its peak memory can be read:
// the whole program on the headless backend over a prepared home picks a library, ticks the
// further files named, and runs "Make library active" with CheckBox1 ticked.
//   molvane_bench_switch <home> <library> [further file ...]
// Prints "switch_ns <nanoseconds of the click>" and checks that the iTunes folder then holds the
// library's copies, so that a switch that did nothing can never pass for a fast one.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "BenchHome.h"
#include "Main.h"
#include "NewLibName.h"
#include "headless/HeadlessBackend.h"
#include "posix/PosixFileSystem.h"
#include "registry/FileHiveRegistry.h"
#include "shell/ShellOpener.h"

namespace {

class PrintingReporter : public FailureReporter {
public:
  void showFailure(const std::string& text) override {
    std::cerr << "Molvane reported: " << text << "\n";
    ++failures;
  }
  int failures = 0;
};

class NoShell : public ShellOpener {
public:
  void open(std::uintptr_t, const std::string&, const std::string&, const std::string&,
            const std::string&, int) override {}
};

// The size and the first and last 64 KiB of a file: enough to tell the benchmark libraries apart.
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
  std::cerr << "molvane_bench_switch: " << why << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fail("usage: molvane_bench_switch <home> <library> [further file ...]");
  const BenchHome home(argv[1]);
  const std::string library = argv[2];
  const std::vector<std::string> extras(argv + 3, argv + argc);

  FileHiveRegistry registry(home.hiveFolder.string(), home.root.string());
  PosixFileSystem files;
  NoShell shell;
  Services services{registry, files, shell, "\\bench\\molvane"};
  HeadlessBackend backend;
  PrintingReporter reporter;
  TApplication app(backend, reporter);
  app.Title = "Molvane";
  TForm1& form1 = app.CreateForm<TForm1>(services);
  TForm2& form2 = app.CreateForm<TForm2>(form1.globals(), form1.view(), files);
  form1.SetNameDialog(&form2);
  app.Run();

  int slot = -1;
  for (int i = 0; i < form1.globals().LibCount; ++i)
    if (form1.LibGroup->Item(i) == library) slot = i;
  if (slot < 0) return fail("no library named " + library);
  if (slot == form1.globals().ActiveLib) return fail(library + " is already active");
  form1.LibGroup->userSelect(slot);
  TCheckListBox& list = *form1.CheckListBox1;
  std::vector<std::string> ticked;
  for (int i = 0; i < list.Count(); ++i) {
    for (const std::string& extra : extras)
      if (list.Item(i) == extra && !list.Checked(i)) list.userToggle(i);
    if (list.Checked(i)) ticked.push_back(list.Item(i));
  }
  if (ticked.size() != 4 + extras.size()) return fail("the file list lacks some of the files");
  if (!form1.CheckBox1->Checked()) return fail("CheckBox1 is not ticked");

  const std::string previous = form1.LibGroup->Item(form1.globals().ActiveLib);
  std::vector<std::string> iTunesBefore;
  for (const std::string& name : ticked) iTunesBefore.push_back(fingerprint(home.iTunes / name));

  const auto start = std::chrono::steady_clock::now();
  form1.Button2->userClick();
  const auto end = std::chrono::steady_clock::now();

  if (reporter.failures) return fail("the switch failed");
  if (form1.globals().ActiveLib != slot) return fail("the switch did not happen");
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
  return 0;
}
