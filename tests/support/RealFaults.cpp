#include "RealFaults.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>
#include <vector>

ReadOnlyFolder::ReadOnlyFolder(const std::filesystem::path& folder) : folder_(folder) {
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
}

ReadOnlyFolder::~ReadOnlyFolder() {
  if (mounted_) {
    ::umount2(folder_.string().c_str(), MNT_DETACH);
    return;
  }
  std::error_code ec;
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, ec);
}

SmallFileSystem::SmallFileSystem(const std::filesystem::path& folder, std::size_t bytes)
    : folder_(folder) {
  if (::geteuid() != 0) return;
  const std::string options = "size=" + std::to_string(bytes);
  mounted_ = ::mount("tmpfs", folder.string().c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) ::umount2(folder_.string().c_str(), MNT_DETACH);
}

void fillUp(const std::filesystem::path& file) {
  const int fd = ::open(file.string().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::vector<char> block(64 * 1024, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  // The last partial block: fill what a whole block could not.
  while (::write(fd, block.data(), 1) > 0) {
  }
  ::close(fd);
}
