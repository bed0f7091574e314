#include "XdgShellOpener.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

XdgShellOpener::XdgShellOpener(std::string searchPath) : searchPath_(std::move(searchPath)) {}

std::string XdgShellOpener::program() const {
  std::size_t begin = 0;
  while (begin <= searchPath_.size()) {
    std::size_t end = searchPath_.find(':', begin);
    if (end == std::string::npos) end = searchPath_.size();
    const std::string folder = searchPath_.substr(begin, end - begin);
    begin = end + 1;
    // An empty or relative entry would look in whatever the current folder happens to be.
    if (folder.empty() || folder.front() != '/') continue;
    const std::string candidate = folder + "/xdg-open";
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

std::string XdgShellOpener::argumentFor(const std::string& file) {
  if (file.find("://") != std::string::npos) return file;
  std::string path = file;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

void XdgShellOpener::open(std::uintptr_t, const std::string& operation, const std::string& file,
                          const std::string&, const std::string&, int) {
  if (!operation.empty() && operation != "open") return;
  std::string path = program();
  if (path.empty()) return;
  std::string argument = argumentFor(file);
  // Everything the children need is made before forking: between fork and exec only
  // async-signal-safe calls may run.
  std::vector<char*> argv = {path.data(), argument.data(), nullptr};
  sigset_t none;
  sigemptyset(&none);

  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    // The middle process leaves at once, so xdg-open is adopted by init, in its own session,
    // and nothing of ours waits for it or has to reap it.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}
