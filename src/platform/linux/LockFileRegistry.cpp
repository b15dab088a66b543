// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

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

std::string defaultFolder() {
  if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt) return std::string(rt) + "/prandel";
  return "/tmp/prandel-" + std::to_string(::getuid());
}

}  // namespace

LockFileRegistry::LockFileRegistry(std::string folder) : folder_(folder.empty() ? defaultFolder() : std::move(folder)) {}

std::unique_ptr<TitleClaim> LockFileRegistry::claim(const std::string& title) {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  ::chmod(folder_.c_str(), 0700);
  const std::string path = folder_ + "/" + fileNameOf(title);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // Without a lock file no second copy can be detected; opening the window is the
  // better failure.
  if (fd < 0) return std::make_unique<TitleClaim>();
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<LockClaim>(fd);
}

}  // namespace prandel::platform
