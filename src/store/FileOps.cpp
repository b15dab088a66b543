// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace prandel::store::file {
namespace {

FaultHook faultHook = nullptr;

// False, with errno set, when a test makes the call fail.
bool allowed(Call call) {
  if (!faultHook) return true;
  const int err = faultHook(call);
  if (err == 0) return true;
  errno = err;
  return false;
}

}  // namespace

void setFaultHook(FaultHook hook) { faultHook = hook; }

bool preadFull(int fd, std::uint8_t* buf, std::size_t len, std::uint64_t offset, std::size_t& got) {
  got = 0;
  if (!allowed(Call::Read)) return false;
  while (got < len) {
    const ssize_t r = ::pread(fd, buf + got, len - got, static_cast<off_t>(offset + got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

bool pwriteFull(int fd, const std::uint8_t* buf, std::size_t len, std::uint64_t offset) {
  if (!allowed(Call::Write)) return false;
  std::size_t done = 0;
  while (done < len) {
    const ssize_t w = ::pwrite(fd, buf + done, len - done, static_cast<off_t>(offset + done));
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

bool syncData(int fd) {
  if (!allowed(Call::SyncData)) return false;
  for (;;) {
    if (::fdatasync(fd) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool syncFolder(const std::string& folder) {
  if (!allowed(Call::SyncFolder)) return false;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = false;
  for (;;) {
    if (::fsync(fd) == 0) {
      ok = true;
      break;
    }
    if (errno != EINTR) break;
  }
  ::close(fd);
  return ok;
}

bool sameFile(int fd, const std::string& path) {
  struct stat a {}, b {};
  return ::fstat(fd, &a) == 0 && ::lstat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool spoil(int fd) {
  static constexpr std::array<std::uint8_t, 8> kZeros{};
  return pwriteFull(fd, kZeros.data(), kZeros.size(), 0) && syncData(fd);
}

}  // namespace prandel::store::file
