// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/SysfsCounters.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <limits>
#include <optional>

namespace prandel::platform {

namespace {

// What the kernel lets an interface be called: at most IFNAMSIZ - 1 bytes, no "/",
// no blank, not "." or "..". Anything else could lead the path elsewhere.
bool isInterfaceName(const std::string& name) {
  if (name.empty() || name.size() > 15 || name == "." || name == "..") return false;
  for (const unsigned char c : name)
    if (c == '/' || c <= ' ' || c == 0x7f) return false;
  return true;
}

// A sysfs attribute is one short line; a number of up to 20 digits and its newline.
std::optional<std::uint64_t> readNumber(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  char buf[32];
  ssize_t n = 0;
  do {
    n = ::read(fd, buf, sizeof buf);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  if (n <= 0 || static_cast<std::size_t>(n) == sizeof buf) return std::nullopt;
  std::size_t len = static_cast<std::size_t>(n);
  if (buf[len - 1] == '\n') --len;
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(buf, buf + len, v);
  if (len == 0 || ec != std::errc() || end != buf + len) return std::nullopt;
  return v;
}

}  // namespace

InterfaceCounters readSysfsCounters(const std::string& root, const std::string& interface) {
  InterfaceCounters c;
  if (!isInterfaceName(interface)) return c;
  const std::string dir = root + "/" + interface + "/";
  const auto ifindex = readNumber(dir + "ifindex");
  const auto received = readNumber(dir + "statistics/rx_bytes");
  const auto sent = readNumber(dir + "statistics/tx_bytes");
  if (!ifindex || !received || !sent || *ifindex > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return c;
  c.valid = true;
  c.ifindex = static_cast<int>(*ifindex);
  c.received = *received;
  c.sent = *sent;
  return c;
}

}  // namespace prandel::platform
