// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StandardOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace prandel {

class StandardOutput::Buffer final : public std::streambuf {
 public:
  Buffer() { setp(bytes_.data(), bytes_.data() + bytes_.size()); }

  int error() const { return error_; }
  void keep(int error) {
    if (error_ == 0) error_ = error;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return drain() ? 0 : -1; }

 private:
  // Everything buffered, out; after a failure the rest is dropped, and the first
  // reason kept.
  bool drain() {
    const char* p = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    while (left > 0 && error_ == 0) {
      const ssize_t n = ::write(STDOUT_FILENO, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        keep(n < 0 ? errno : EIO);
        break;
      }
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    setp(bytes_.data(), bytes_.data() + bytes_.size());
    return error_ == 0;
  }

  std::array<char, 8192> bytes_{};
  int error_ = 0;
};

namespace {

// Started with its output closed, the program would give the number 1 to the next file
// it opens, a record file say, and print into it. /dev/null opened for reading holds
// the number instead: every write to it fails, and the failure is reported.
void holdClosedOutput() {
  if (::fcntl(STDOUT_FILENO, F_GETFD) != -1 || errno != EBADF) return;
  const int fd = ::open("/dev/null", O_RDONLY);
  if (fd < 0 || fd == STDOUT_FILENO) return;
  ::dup2(fd, STDOUT_FILENO);
  if (fd > STDERR_FILENO) ::close(fd);
}

}  // namespace

StandardOutput::StandardOutput() : buffer_(std::make_unique<Buffer>()), previous_(nullptr) {
  holdClosedOutput();
  previous_ = std::cout.rdbuf(buffer_.get());
}

StandardOutput::~StandardOutput() {
  std::cout.flush();
  std::cout.rdbuf(previous_);
}

std::string StandardOutput::finish() {
  std::cout.flush();
  // A file system may report a failed write only when the file is closed.
  if (buffer_->error() == 0 && ::close(STDOUT_FILENO) != 0 && errno != EINTR) buffer_->keep(errno);
  return buffer_->error() == 0 ? std::string() : std::string(std::strerror(buffer_->error()));
}

}  // namespace prandel
