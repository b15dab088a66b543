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

std::string userName(uid_t uid) {
  const passwd* pw = ::getpwuid(uid);
  return (pw && pw->pw_name ? std::string(pw->pw_name) + " " : std::string()) + "(uid " + std::to_string(uid) + ")";
}

// The folder, open, once it is known to be the user's own; -1 and why not otherwise.
int openOwnFolder(const std::string& folder, std::string& why) {
  const auto fault = [&](const std::string& what) {
    why = "the lock folder " + folder + " " + what;
    return -1;
  };
  bool made = ::mkdir(folder.c_str(), 0700) == 0;
  if (!made && errno != EEXIST) return fault(std::string("cannot be made: ") + std::strerror(errno));
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return fault(std::string("cannot be looked at: ") + std::strerror(errno));
  if (S_ISLNK(st.st_mode)) return fault("is a symbolic link, not a folder of its own");
  if (!S_ISDIR(st.st_mode)) return fault("is not a folder");
  // Opened without following a link that took its place in the meantime; what is
  // judged from here on is what was opened.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return fault(std::string("cannot be opened: ") + std::strerror(errno));
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return fault(std::string("cannot be looked at: ") + std::strerror(errno));
  }
  if (st.st_uid != ::geteuid()) {
    ::close(fd);
    return fault("belongs to " + userName(st.st_uid) + ", not to you");
  }
  // One made just now may have lost bits to the umask; only it is ever changed.
  if (made && (st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) == 0) st.st_mode = (st.st_mode & ~07777) | 0700;
  if ((st.st_mode & 077) != 0 || (st.st_mode & 0700) != 0700) {
    ::close(fd);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return fault(std::string("has the mode ") + mode + ", where it must be 0700 (yours alone)");
  }
  return fd;
}

}  // namespace

std::string lockFolderFor(const char* runtimeDir, const std::string& sharedBase, unsigned uid) {
  struct stat st {};
  if (runtimeDir && runtimeDir[0] == '/' && ::stat(runtimeDir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid)
    return std::string(runtimeDir) + "/prandel";
  return sharedBase + "/prandel-" + std::to_string(uid);
}

LockFileRegistry::LockFileRegistry(std::string folder)
    : folder_(folder.empty() ? lockFolderFor(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid()) : std::move(folder)) {}

ClaimResult LockFileRegistry::claim(const std::string& title) {
  ClaimResult out;
  const int dir = openOwnFolder(folder_, out.refused);
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
