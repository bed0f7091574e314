#pragma once

#include <string>

#include "shell/ShellOpener.h"

// The shell's "open" through xdg-open, found on the search path it is given, started detached
// so that the program neither waits for it nor leaves a zombie behind.
class XdgShellOpener : public ShellOpener {
public:
  // searchPath: the PATH string, folders separated by ":".
  explicit XdgShellOpener(std::string searchPath);

  // Only "open" (or no operation) is carried out; xdg-open knows no other verb, parameters,
  // folder or show command.
  void open(std::uintptr_t owner, const std::string& operation, const std::string& file,
            const std::string& parameters, const std::string& directory,
            int showCommand) override;

  // The xdg-open that open() would start, empty when the search path holds none.
  std::string program() const;
  // The argument xdg-open gets: a file path with "\" mapped to "/", a web address unchanged.
  static std::string argumentFor(const std::string& file);

private:
  std::string searchPath_;
};
