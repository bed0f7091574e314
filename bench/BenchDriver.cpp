// Runs every benchmark and prints one line per figure: the program's time, the baseline's time
// and their ratio, each the median of the runs, program and baseline taken alternately.
//   molvane_bench --work <folder> [--size-mib N] [--runs N] [--bin <folder>]
//                 [--clone-dir <folder on a fresh XFS> | --clone-skip <reason>]
//                 [--only name,name] [--keep]
// The work folder receives the benchmark homes; it is emptied first and removed at the end
// unless --keep asks to look at them (or to run a harness on them under a profiler).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BenchHome.h"
#include "LibraryFiles.h"

namespace {

namespace stdfs = std::filesystem;

struct Options {
  stdfs::path work, bin;
  std::uint64_t sizeMiB = 1024;
  int runs = 5;
  stdfs::path cloneDir;
  std::string cloneSkip = "no XFS folder given (scripts/bench makes one when run as root)";
  std::vector<std::string> only;
  bool keep = false;
};

struct Run {
  long long wallNs = 0;
  long maxRssKiB = 0;
  std::string out;
};

long long nowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

[[noreturn]] void die(const std::string& why) {
  std::cerr << "molvane_bench: " << why << "\n";
  std::exit(1);
}

// Runs a program to its end with its standard output captured. startNs is the moment just
// before the process was made.
Run spawn(const std::vector<std::string>& argv, long long* startNs = nullptr) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) die("pipe failed");
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::fflush(nullptr);
  const long long start = nowNs();
  const pid_t pid = ::fork();
  if (pid < 0) die("fork failed");
  if (pid == 0) {
    ::dup2(pipeFds[1], 1);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::execvp(args[0], args.data());
    std::fprintf(stderr, "cannot start %s: %s\n", args[0], std::strerror(errno));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  Run run;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    run.out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0)
    if (errno != EINTR) die("wait failed");
  run.wallNs = nowNs() - start;
  run.maxRssKiB = usage.ru_maxrss;
  if (startNs) *startNs = start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string command;
    for (const std::string& a : argv) command += a + " ";
    die("failed: " + command);
  }
  return run;
}

// The count numbers that follow key in a harness's output.
std::vector<long long> fields(const std::string& out, const std::string& key, int count) {
  std::istringstream in(out);
  std::string word;
  while (in >> word) {
    if (word != key) continue;
    std::vector<long long> values(static_cast<std::size_t>(count));
    for (long long& value : values)
      if (!(in >> value)) die("no number after " + key + " in: " + out);
    return values;
  }
  die("no " + key + " in: " + out);
}

long long field(const std::string& out, const std::string& key) { return fields(out, key, 1)[0]; }

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string seconds(double ns) {
  char text[32];
  if (ns >= 1e9)
    std::snprintf(text, sizeof text, "%.3f s", ns / 1e9);
  else
    std::snprintf(text, sizeof text, "%.1f ms", ns / 1e6);
  return text;
}

std::string mib(double kib) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", kib / 1024);
  return text;
}

void line(const std::string& name, const std::string& program, const std::string& baseline,
          double ratio, const std::string& goal, bool met, const std::string& note) {
  std::printf("%-14s program %11s   baseline %11s   ratio %6.3f   goal %-7s %-6s %s\n",
              name.c_str(), program.c_str(), baseline.c_str(), ratio, goal.c_str(),
              met ? "met" : "MISSED", note.c_str());
  std::fflush(stdout);
}

std::string sizeNote(std::uint64_t libraryBytes, int runs) {
  std::ostringstream note;
  const std::uint64_t mib = (libraryBytes + (1u << 19)) >> 20;
  note << "(library " << mib << " MiB, " << 2 * mib << " MiB copied, median of " << runs << ")";
  return note.str();
}

bool wanted(const Options& o, const std::string& name) {
  return o.only.empty() || std::find(o.only.begin(), o.only.end(), name) != o.only.end();
}

// Two libraries of the switch's files and the iTunes folder holding a third set, every file's
// data its own; "One" is active and CheckBox1 ticked.
std::uint64_t makeSwitchHome(const BenchHome& home, std::uint64_t sizeMiB) {
  std::uint32_t seed = 1;
  std::uint64_t total = 0;
  for (const LibraryFile& f : switchLibrary(sizeMiB)) {
    writeData(home.library("One") / f.name, f.bytes, seed++);
    writeData(home.library("Two") / f.name, f.bytes, seed++);
    writeData(home.iTunes / f.name, f.bytes, seed++);
    total += f.bytes;
  }
  home.settings("One", true);
  return total;
}

struct SwitchTimes {
  std::vector<double> program, baseline, programRss;
};

// Switches back and forth between the two libraries, alternating with cp followed by sync of
// the same files copied the same two ways (the iTunes folder's into the active library, the
// other library's into the iTunes folder). between, when given, runs after each pair.
SwitchTimes switchRuns(const Options& o, const BenchHome& home, const std::vector<std::string>& cp,
                       const std::function<void()>& between = {}) {
  const std::vector<std::string> extras = extraFileNames();
  const std::vector<LibraryFile> names = switchLibrary(1);
  SwitchTimes times;
  std::string active = "One";
  for (int i = 0; i < o.runs; ++i) {
    const std::string other = active == "One" ? "Two" : "One";
    std::vector<std::string> args = {(o.bin / "molvane_bench_switch").string(), home.root.string(),
                                     other};
    args.insert(args.end(), extras.begin(), extras.end());
    const Run program = spawn(args);
    times.program.push_back(static_cast<double>(field(program.out, "switch_ns")));
    times.programRss.push_back(static_cast<double>(program.maxRssKiB));
    active = other;

    const std::string next = active == "One" ? "Two" : "One";
    // sync with file names flushes each file as the program flushes its copies.
    std::vector<std::string> saveBack = cp, load = cp, sync = {"sync"};
    for (const LibraryFile& f : names) {
      saveBack.push_back((home.iTunes / f.name).string());
      load.push_back((home.libraries / next / f.name).string());
      sync.push_back((home.libraries / active / f.name).string());
      sync.push_back((home.iTunes / f.name).string());
    }
    saveBack.push_back((home.libraries / active).string() + "/");
    load.push_back(home.iTunes.string() + "/");
    const long long start = nowNs();
    spawn(saveBack);
    spawn(load);
    spawn(sync);
    times.baseline.push_back(static_cast<double>(nowNs() - start));
    if (between) between();
  }
  return times;
}

void switchCopy(const Options& o) {
  const BenchHome home(o.work / "switch");
  const BenchHome small(o.work / "switch-small");
  const std::uint64_t bytes = makeSwitchHome(home, o.sizeMiB);
  const std::uint64_t smallBytes = makeSwitchHome(small, 1);

  std::vector<double> smallRss;
  std::string smallActive = "One";
  const SwitchTimes times = switchRuns(o, home, {"cp"}, [&] {
    // The memory baseline: the same switch of a 1 MiB library, in turn with the others.
    const std::string other = smallActive == "One" ? "Two" : "One";
    std::vector<std::string> args = {(o.bin / "molvane_bench_switch").string(), small.root.string(),
                                     other};
    const std::vector<std::string> extras = extraFileNames();
    args.insert(args.end(), extras.begin(), extras.end());
    smallRss.push_back(static_cast<double>(spawn(args).maxRssKiB));
    smallActive = other;
  });

  if (wanted(o, "switch-copy")) {
    const double p = median(times.program), b = median(times.baseline);
    line("switch-copy", seconds(p), seconds(b), p / b, "<= 1.10", p / b <= 1.10,
         sizeNote(bytes, o.runs) + " CheckBox1 ticked, against cp + sync");
  }
  if (wanted(o, "switch-memory")) {
    const double p = median(times.programRss), b = median(smallRss);
    const double difference = p - b;
    line("switch-memory", mib(p), mib(b), p / b, "< 8 MiB", difference < 8 * 1024,
         "(peak RSS: the " + std::to_string((bytes + 512 * 1024) >> 20) +
             " MiB library's switch takes " + mib(std::max(0.0, difference)) + " more than the " +
             std::to_string((smallBytes + 512 * 1024) >> 20) + " MiB library's; median of " +
             std::to_string(o.runs) + ")");
  }
}

void switchClone(const Options& o) {
  if (o.cloneDir.empty()) {
    std::printf("%-14s skipped: %s\n", "switch-clone", o.cloneSkip.c_str());
    return;
  }
  const BenchHome home(o.cloneDir / "switch");
  const std::uint64_t bytes = makeSwitchHome(home, o.sizeMiB);
  const SwitchTimes times = switchRuns(o, home, {"cp", "--reflink=never"});
  if (!o.keep) stdfs::remove_all(home.root);
  const double p = median(times.program), b = median(times.baseline);
  line("switch-clone", seconds(p), seconds(b), p / b, "<= 0.05", p / b <= 0.05,
       sizeNote(bytes, o.runs) + " on a fresh XFS, against cp --reflink=never + sync");
}

void startup(const Options& o) {
  const BenchHome home(o.work / "startup");
  const char* libraries[] = {"Everyday", "Party", "Classical", "Kids", "Archive"};
  for (const char* name : libraries) {
    const stdfs::path folder = home.library(name);
    for (const char* file : LibraryFiles) writeData(folder / file, 4096, 1);
  }
  for (const char* file : LibraryFiles) writeData(home.iTunes / file, 4096, 1);
  const int files = 2000;
  for (int i = 0; i < files - 4; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "Track %04d.m4a", i + 1);
    writeData(home.libraries / "Everyday" / name, 64, 1);
  }
  home.settings("Everyday", true);

  const std::string harness = (o.bin / "molvane_bench_startup").string();
  const std::string bare = (o.bin / "molvane_bench_bare_window").string();
  std::vector<double> program, baseline;
  for (int i = 0; i <= o.runs; ++i) {  // the first round warms the caches and is not counted
    long long start = 0;
    const Run p = spawn({harness, home.root.string()}, &start);
    if (field(p.out, "items") != files) die("the file list does not hold the active library");
    const std::vector<long long> size = fields(p.out, "size", 2);
    long long bareStart = 0;
    const Run b = spawn({bare, std::to_string(size[0]), std::to_string(size[1])}, &bareStart);
    if (i == 0) continue;
    program.push_back(static_cast<double>(field(p.out, "paint_ns") - start));
    baseline.push_back(static_cast<double>(field(b.out, "paint_ns") - bareStart));
  }
  const double p = median(program), b = median(baseline);
  line("start-up", seconds(p), seconds(b), p / b, "<= 1.25", p / b <= 1.25,
       "(five libraries, 2000 files in the active one, against a bare window; median of " +
           std::to_string(o.runs) + ")");
}

void relist(const Options& o) {
  const BenchHome home(o.work / "relist");
  const int entries = 20000;
  for (const char* file : LibraryFiles) {
    writeData(home.library("Big") / file, 64, 1);
    writeData(home.library("Small") / file, 64, 1);
    writeData(home.iTunes / file, 64, 1);
  }
  for (int i = 0; i < entries - 4; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "Track %05d.m4a", i + 1);
    writeData(home.libraries / "Big" / name, 0, 1);
  }
  home.settings("Small", true);
  const Run r = spawn({(o.bin / "molvane_bench_relist").string(), home.root.string(), "Big",
                       "Small", std::to_string(o.runs)});
  std::vector<double> program, baseline;
  std::istringstream in(r.out);
  std::string key;
  long long p = 0, b = 0, items = 0;
  std::string itemsKey;
  while (in >> key >> p >> b >> itemsKey >> items) {
    if (items != entries) die("the pick listed " + std::to_string(items) + " entries");
    program.push_back(static_cast<double>(p));
    baseline.push_back(static_cast<double>(b));
  }
  if (static_cast<int>(program.size()) != o.runs) die("relist: unexpected output: " + r.out);
  const double mp = median(program), mb = median(baseline);
  line("relist", seconds(mp), seconds(mb), mp / mb, "<= 2", mp / mb <= 2,
       "(a slot whose folder holds 20000 entries, against filling a plain QListWidget; median of " +
           std::to_string(o.runs) + ")");
}

Options parse(int argc, char** argv) {
  Options o;
  o.bin = stdfs::canonical("/proc/self/exe").parent_path();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) die(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--work")
      o.work = value();
    else if (arg == "--bin")
      o.bin = value();
    else if (arg == "--size-mib")
      o.sizeMiB = parseCount(value(), "--size-mib");
    else if (arg == "--runs")
      o.runs = static_cast<int>(parseCount(value(), "--runs"));
    else if (arg == "--clone-dir")
      o.cloneDir = value();
    else if (arg == "--clone-skip")
      o.cloneSkip = value();
    else if (arg == "--keep")
      o.keep = true;
    else if (arg == "--only") {
      std::istringstream names(value());
      for (std::string name; std::getline(names, name, ',');) o.only.push_back(name);
    } else
      die("unknown option " + arg);
  }
  if (o.work.empty()) die("--work <folder> is required");
  if (o.sizeMiB < 1) die("--size-mib must be at least 1");
  if (o.runs < 5) die("--runs must be at least 5");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parse(argc, argv);
  stdfs::remove_all(o.work);
  stdfs::create_directories(o.work);
  if (wanted(o, "switch-copy") || wanted(o, "switch-memory")) switchCopy(o);
  if (wanted(o, "switch-clone")) switchClone(o);
  if (wanted(o, "start-up")) startup(o);
  if (wanted(o, "relist")) relist(o);
  if (!o.keep) stdfs::remove_all(o.work);
  return 0;
}
