#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The same path in the program's own form, with "\" separators.
  std::string programPath() const;

private:
  std::filesystem::path path_;
};

// A path of the real file system in the program's form ("/a/b" -> "\a\b").
std::string toProgramPath(const std::filesystem::path& path);
// Whole-file helpers for arranging and checking folders.
void writeText(const std::filesystem::path& path, const std::string& text);
std::string readText(const std::filesystem::path& path);
// Everything below a folder, sorted: "relative/path=text" for files, "relative/path/" for
// folders. Two equal answers mean the folder holds exactly the same names and contents.
std::vector<std::string> folderContents(const std::filesystem::path& folder);
