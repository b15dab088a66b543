// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/PrivateFolder.h"

namespace prandel::platform {
namespace {

class LockClaim final : public TitleClaim {
 public:
  explicit LockClaim(int fd) : fd_(fd) {}
  ~LockClaim() override { ::close(fd_); }

 private:
  int fd_;
};

// A title as a file name: letters and digits kept, everything else hex-escaped,
// so that "Zelkora Expense" and "Zelkora/Expense" never share a lock.
std::string fileNameOf(const std::string& title) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : title) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out + ".lock";
}

}  // namespace

std::string lockFolderFor(const char* runtimeDir, const std::string& sharedBase, unsigned uid) {
  return privateFolderFor(runtimeDir, sharedBase, uid, "prandel");
}

LockFileRegistry::LockFileRegistry(std::string folder)
    : folder_(folder.empty() ? lockFolderFor(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid()) : std::move(folder)) {}

ClaimResult LockFileRegistry::claim(const std::string& title) {
  ClaimResult out;
  const int dir = openPrivateFolder(folder_, out.refused);
  if (dir < 0) return out;
  const int fd = ::openat(dir, fileNameOf(title).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  ::close(dir);
  // In a folder of the user's own, a lock file that cannot be made (no room, no file
  // handles left) keeps no one out; opening the window is the better failure.
  if (fd < 0) {
    out.claim = std::make_unique<TitleClaim>();
    return out;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return out;
  }
  out.claim = std::make_unique<LockClaim>(fd);
  return out;
}

}  // namespace prandel::platform
