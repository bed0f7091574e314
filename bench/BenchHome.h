#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A home folder as the installer and the user leave it: the music folder with the iTunes folder
// and the libraries root, and the registry hive folder holding the settings key. The benchmark
// harnesses run the program over such a home.
class BenchHome {
public:
  // Makes the folders below root (which may already exist).
  explicit BenchHome(std::filesystem::path root);

  std::filesystem::path root, hiveFolder, music, iTunes, libraries;

  // Writes the settings key: "Library Name", "First Use" 1 (no seeding), the two options.
  void settings(const std::string& libraryName, bool overwriteLibrary) const;
  // The folder of a library, made when missing.
  std::filesystem::path library(const std::string& name) const;
};

// A file of exactly this many bytes of data that no file system can compress or leave sparse;
// seed varies the data so that two files never share blocks by accident.
void writeData(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t seed);

// The files of one library as the switch benchmarks use it: the four database files and three
// further files, with sizes scaled so that sizeMiB 1024 gives the figures' library of about
// 1 GiB (200 + 800 + 20 + 20 MiB and three of 1 MiB).
struct LibraryFile {
  std::string name;
  std::uint64_t bytes;
};
std::vector<LibraryFile> switchLibrary(std::uint64_t sizeMiB);
// The further files of switchLibrary, which the switch runs tick.
std::vector<std::string> extraFileNames();

// Parses a non-negative whole number; exits with a message when text is not one.
std::uint64_t parseCount(const std::string& text, const char* what);
