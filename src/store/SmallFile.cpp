// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace prandel::store {
namespace {

// Opened without waiting for a writer (a pipe) and without becoming the controlling
// terminal (a tty); the caller checks what it is before reading.
int openForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }

// Up to text.size() bytes from fd into text, which is cut to what came; false when a
// read failed.
bool readInto(int fd, std::string& text) {
  std::size_t got = 0;
  bool ok = true;
  while (got < text.size()) {
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  return ok;
}

}  // namespace

SmallFile readSmallFile(const std::string& path, std::uintmax_t maxBytes) {
  using Fault = SmallFile::Fault;
  SmallFile f;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    f.fault = Fault::Missing;
    f.error = errno;
    return f;
  }
  if (!S_ISREG(st.st_mode)) {
    f.fault = Fault::NotRegular;
    return f;
  }
  if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
    f.fault = Fault::TooBig;
    return f;
  }
  const int fd = openForReading(path);
  if (fd < 0) {
    f.fault = Fault::CannotOpen;
    return f;
  }
  // What is open now may be another file than the one looked at.
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    ::close(fd);
    f.fault = Fault::NotRegular;
    return f;
  }
  if (static_cast<std::uintmax_t>(opened.st_size) > maxBytes) {
    ::close(fd);
    f.fault = Fault::TooBig;
    return f;
  }
  // One byte more than the file had, to see whether it grew since.
  const auto size = static_cast<std::size_t>(opened.st_size);
  f.text.assign(size + 1, '\0');
  const bool read = readInto(fd, f.text);
  ::close(fd);
  if (!read) f.fault = Fault::Unreadable;
  else if (f.text.size() > size) f.fault = Fault::Changed;
  return f;
}

std::string readFileStart(const std::string& path, std::size_t maxBytes) {
  const int fd = openForReading(path);
  if (fd < 0) return {};
  std::string text;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // Room for what the file holds now, and more in steps while it gives more (a size
    // of 0 need not be the truth), up to the bound.
    std::size_t room = std::min<std::size_t>(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)), maxBytes);
    for (;;) {
      std::string part(std::min<std::size_t>(std::max<std::size_t>(room, 4096), maxBytes) - text.size(), '\0');
      const std::size_t asked = part.size();
      const bool ok = readInto(fd, part);
      text += part;
      if (!ok || part.size() < asked || text.size() >= maxBytes) break;
      room = text.size() * 2;
    }
  }
  ::close(fd);
  return text;
}

}  // namespace prandel::store
