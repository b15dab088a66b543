// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/PrivateFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace prandel::platform {
namespace {

std::string userName(uid_t uid) {
  const passwd* pw = ::getpwuid(uid);
  return (pw && pw->pw_name ? std::string(pw->pw_name) + " " : std::string()) + "(uid " + std::to_string(uid) + ")";
}

}  // namespace

std::string privateFolderFor(const char* runtimeDir, const std::string& sharedBase, unsigned uid,
                             const std::string& name) {
  struct stat st {};
  if (runtimeDir && runtimeDir[0] == '/' && ::stat(runtimeDir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid)
    return std::string(runtimeDir) + "/" + name;
  return sharedBase + "/" + name + "-" + std::to_string(uid);
}

int openPrivateFolder(const std::string& folder, std::string& why) {
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

}  // namespace prandel::platform
