// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/TrackerLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/linux/PrivateFolder.h"
#include "store/FolderKey.h"

namespace prandel::platform {
namespace {

std::string fileStem(const std::string& dataFolder) { return "tracker-" + store::folderKey(dataFolder); }

// An open file description's lock (F_OFD_*): tied to this descriptor, not to the
// process, so that a test probe in the same process sees it too, and testable with
// F_OFD_GETLK without taking it.
struct flock wholeFile(short type) {
  struct flock l {};
  l.l_type = type;
  l.l_whence = SEEK_SET;
  return l;
}

std::optional<TrackerHolder> holderIn(int fd) {
  char buf[4200];
  const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  TrackerHolder h;
  if (n <= 0) return h;  // locked, not yet written
  buf[n] = '\0';
  char* end = nullptr;
  h.pid = std::strtol(buf, &end, 10);
  if (end && *end == '\n') {
    std::string folder(end + 1);
    if (!folder.empty() && folder.back() == '\n') folder.pop_back();
    h.dataFolder = folder;
  }
  return h;
}

}  // namespace

std::string trackerRuntimeFolder() {
  return privateFolderFor(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid(), "zelkora");
}

std::string trackerLockPath(const std::string& runtimeFolder, const std::string& dataFolder) {
  return runtimeFolder + "/" + fileStem(dataFolder) + ".lock";
}

std::string trackerStatusPath(const std::string& runtimeFolder, const std::string& dataFolder) {
  return runtimeFolder + "/" + fileStem(dataFolder) + ".json";
}

TrackerLock::~TrackerLock() { release(); }

void TrackerLock::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

TrackerLock::Outcome TrackerLock::acquire(const std::string& runtimeFolder, const std::string& dataFolder,
                                          TrackerHolder& holder, std::string& why) {
  release();
  const int dir = openPrivateFolder(runtimeFolder, why);
  if (dir < 0) return Outcome::Failed;
  const std::string name = trackerLockPath(runtimeFolder, dataFolder).substr(runtimeFolder.size() + 1);
  const int fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  ::close(dir);
  if (fd < 0) {
    why = "cannot open " + trackerLockPath(runtimeFolder, dataFolder) + ": " + std::strerror(errno);
    return Outcome::Failed;
  }
  struct flock l = wholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_SETLK, &l) != 0) {
    const int e = errno;
    if (e == EAGAIN || e == EACCES) {
      holder = holderIn(fd).value_or(TrackerHolder{});
      ::close(fd);
      return Outcome::HeldByAnother;
    }
    ::close(fd);
    why = "cannot lock " + trackerLockPath(runtimeFolder, dataFolder) + ": " + std::strerror(e);
    return Outcome::Failed;
  }
  const std::string text = std::to_string(::getpid()) + "\n" + dataFolder + "\n";
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
    // The lock holds all the same; only who holds it cannot be told.
  }
  fd_ = fd;
  return Outcome::Taken;
}

std::optional<TrackerHolder> trackerHolding(const std::string& runtimeFolder, const std::string& dataFolder) {
  const int fd = ::open(trackerLockPath(runtimeFolder, dataFolder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  struct flock l = wholeFile(F_WRLCK);
  std::optional<TrackerHolder> h;
  if (::fcntl(fd, F_OFD_GETLK, &l) == 0 && l.l_type != F_UNLCK) h = holderIn(fd);
  ::close(fd);
  return h;
}

}  // namespace prandel::platform
