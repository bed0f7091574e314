#include "BenchHome.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "LibraryFiles.h"
#include "Locations.h"
#include "registry/FileHiveRegistry.h"

namespace {

void check(long status, const char* what) {
  if (status != reg::kSuccess)
    throw std::runtime_error(std::string("registry: ") + what + " failed with " +
                             std::to_string(status));
}

void setValue(reg::Backend& registry, reg::Handle key, const std::string& name, std::uint32_t type,
              std::vector<std::uint8_t> bytes) {
  check(registry.setValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
        "setting a value");
}

std::vector<std::uint8_t> dword(std::uint32_t value) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return bytes;
}

}  // namespace

BenchHome::BenchHome(std::filesystem::path home)
    : root(std::move(home)),
      hiveFolder(root / ".config" / "molvane" / "registry"),
      music(root / "My Documents" / "My Music"),
      iTunes(music / "iTunes"),
      libraries(music / "Molvane") {
  std::filesystem::create_directories(iTunes);
  std::filesystem::create_directories(libraries);
  std::filesystem::create_directories(hiveFolder);
}

void BenchHome::settings(const std::string& libraryName, bool overwriteLibrary) const {
  FileHiveRegistry registry(hiveFolder.string(), root.string());
  check(registry.createKey(reg::kLocalMachine, Locations::kSettingsKey), "making the key");
  reg::Handle key = reg::kNoKey;
  check(registry.openKey(reg::kLocalMachine, Locations::kSettingsKey, reg::kAllAccess, &key),
        "opening the key");
  std::vector<std::uint8_t> name(libraryName.begin(), libraryName.end());
  name.push_back(0);
  setValue(registry, key, "Library Name", reg::kSz, name);
  setValue(registry, key, "First Use", reg::kDword, dword(1));
  setValue(registry, key, "Overwrite Library", reg::kDword, dword(overwriteLibrary ? 1 : 0));
  setValue(registry, key, "Copy Content", reg::kDword, dword(0));
  registry.closeKey(key);
}

std::filesystem::path BenchHome::library(const std::string& name) const {
  std::filesystem::create_directories(libraries / name);
  return libraries / name;
}

void writeData(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t seed) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    throw std::runtime_error("cannot write " + file.string() + ": " + std::strerror(errno));
  std::vector<std::uint64_t> block(1u << 17);  // 1 MiB
  std::uint64_t state = 0x9E3779B97F4A7C15ull ^ seed;
  std::uint64_t left = bytes;
  while (left > 0) {
    for (std::uint64_t& word : block) {
      // xorshift64: cheap data that does not compress.
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    const std::size_t chunk =
        static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size() * sizeof(block[0])));
    const char* p = reinterpret_cast<const char*>(block.data());
    std::size_t done = 0;
    while (done < chunk) {
      const ssize_t n = ::write(fd, p + done, chunk - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd);
        throw std::runtime_error("cannot write " + file.string() + ": " + std::strerror(err));
      }
      done += static_cast<std::size_t>(n);
    }
    left -= chunk;
  }
  if (::close(fd) != 0) throw std::runtime_error("cannot write " + file.string());
}

std::vector<LibraryFile> switchLibrary(std::uint64_t sizeMiB) {
  // Sizes for a 1024 MiB library, in KiB, scaled to the size asked for.
  const std::uint64_t kib[] = {200 * 1024, 800 * 1024, 20 * 1024, 20 * 1024, 1024, 1024, 1024};
  std::vector<LibraryFile> files;
  const std::vector<std::string> extras = extraFileNames();
  for (std::size_t i = 0; i < 7; ++i) {
    const std::string name = i < 4 ? LibraryFiles[i] : extras[i - 4];
    files.push_back({name, std::max<std::uint64_t>(1, kib[i] * 1024 * sizeMiB / 1024)});
  }
  return files;
}

std::vector<std::string> extraFileNames() {
  return {"Album Artwork.cache", "Ratings.txt", "Party Mix.m3u"};
}

std::uint64_t parseCount(const std::string& text, const char* what) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || text[0] == '-') {
    std::cerr << "not a whole number for " << what << ": " << text << "\n";
    std::exit(2);
  }
  return value;
}
