#include "SlowFileSystem.h"

#include <algorithm>
#include <thread>

namespace {
fs::Result cancelled() { return {fs::Error::Cancelled, "cancelled"}; }
}  // namespace

bool SlowFileSystem::takeTime(const std::string& source, const fs::CopyProgress& progress) {
  const std::uint64_t size = inner_.fileSize(source);
  std::uint64_t done = 0;
  do {
    std::this_thread::sleep_for(pause_);
    done = std::min(size, done + chunk_);
    if (progress && !progress(done)) return false;
  } while (done < size);
  return true;
}

fs::Result SlowFileSystem::copyFile(const std::string& source, const std::string& target,
                                    const fs::CopyProgress& progress) {
  // A source that is no file fails at once, as the real copy does.
  if (inner_.kindOf(source) == fs::EntryKind::File && !takeTime(source, progress))
    return cancelled();
  return inner_.copyFile(source, target);
}

fs::Result SlowFileSystem::copyToNew(const std::string& source, const std::string& target,
                                     const fs::CopyProgress& progress) {
  if (inner_.kindOf(source) == fs::EntryKind::File && !takeTime(source, progress))
    return cancelled();
  return inner_.copyToNew(source, target);
}
