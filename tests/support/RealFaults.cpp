#include "RealFaults.h"

#include <fstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/mount.h>
#include <unistd.h>
#endif

ReadOnlyFolder::ReadOnlyFolder(const std::filesystem::path& folder) : folder_(folder) {
#if !defined(_WIN32)
  if (::geteuid() == 0) {
    const std::string p = folder.string();
    if (::mount(p.c_str(), p.c_str(), nullptr, MS_BIND, nullptr) == 0) {
      mounted_ = true;
      active_ = ::mount(nullptr, p.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    return;
  }
  std::error_code ec;
  std::filesystem::permissions(folder, std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_write |
                                           std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove, ec);
  active_ = !ec;
#endif
  // On Windows a folder's read-only attribute does not stop files being made in it.
}

ReadOnlyFolder::~ReadOnlyFolder() {
#if !defined(_WIN32)
  if (mounted_) {
    ::umount2(folder_.string().c_str(), MNT_DETACH);
    return;
  }
  if (!active_) return;
  std::error_code ec;
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, ec);
#endif
}

SmallFileSystem::SmallFileSystem(const std::filesystem::path& folder, std::size_t bytes)
    : folder_(folder) {
#if !defined(_WIN32)
  if (::geteuid() != 0) return;
  const std::string options = "size=" + std::to_string(bytes);
  mounted_ = ::mount("tmpfs", folder.string().c_str(), "tmpfs", 0, options.c_str()) == 0;
#else
  (void)bytes;
#endif
}

SmallFileSystem::~SmallFileSystem() {
#if !defined(_WIN32)
  if (mounted_) ::umount2(folder_.string().c_str(), MNT_DETACH);
#endif
}

void fillUp(const std::filesystem::path& file) {
  // Unbuffered, so that every write reaches the file system and the last bytes are tried one
  // by one.
  std::ofstream out;
  out.rdbuf()->pubsetbuf(nullptr, 0);
  out.open(file, std::ios::binary | std::ios::trunc);
  const std::vector<char> block(64 * 1024, 'f');
  while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
  }
  out.clear();
  while (out.put('f')) {
  }
}
