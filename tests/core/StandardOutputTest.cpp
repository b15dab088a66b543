// SPDX-License-Identifier: GPL-3.0-or-later
// Standard output checked at the end: each case runs in a child of its own, whose
// file descriptor 1 it sets up, and reports the reason finish() gave.
#include "core/StandardOutput.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <string>

#include "support/TempDir.h"

namespace prandel {
namespace {

// Runs body in a child with its output made by setUp; the reason finish() gave.
std::string reasonIn(const std::function<void()>& setUp, const std::function<void()>& body) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "pipe failed";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    setUp();
    std::string why;
    {
      StandardOutput out;
      body();
      why = out.finish();
    }
    why = why.empty() ? "-" : why;
    [[maybe_unused]] auto n = ::write(pipeFds[1], why.data(), why.size());
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string got;
  char buf[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  ::waitpid(pid, nullptr, 0);
  return got;
}

std::string textOf(const std::string& path) {
  const auto bytes = test::readFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void outputTo(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(fd, STDOUT_FILENO);
  ::close(fd);
}

TEST(StandardOutput, TheFirstReasonIsKeptHoweverMuchFollows) {
  test::TempDir dir;
  const std::string lots(20000, 'x');
  const auto print = [&] { std::cout << lots << "\n" << "and more\n"; };
  EXPECT_EQ(reasonIn([&] { outputTo(dir.file("out.txt")); }, print), "-");
  EXPECT_EQ(textOf(dir.file("out.txt")), lots + "\nand more\n");
  EXPECT_EQ(reasonIn([] { outputTo("/dev/full"); }, print), "No space left on device");
  EXPECT_EQ(reasonIn([] { outputTo("/dev/full"); }, [] { std::cout << "short\n"; }), "No space left on device");
  EXPECT_EQ(reasonIn([] { outputTo("/dev/full"); }, [] {}), "-");  // nothing to write
  EXPECT_EQ(reasonIn([] { ::close(STDOUT_FILENO); }, print), "Bad file descriptor");
}

// A program started with its output closed opens its files with the number 1 free;
// what it prints must not land in the first of them.
TEST(StandardOutput, AClosedOutputIsNoFileOpenedLater) {
  test::TempDir dir;
  const std::string record = dir.file("record");
  const std::string why = reasonIn([] { ::close(STDOUT_FILENO); },
                                   [&] {
                                     const int fd = ::open(record.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
                                     std::cout << "printed" << std::endl;
                                     ::close(fd);
                                   });
  EXPECT_EQ(why, "Bad file descriptor");
  EXPECT_EQ(textOf(record), "");
}

}  // namespace
}  // namespace prandel
