// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/LinuxPlatform.h"

namespace prandel::platform {

bool SpawnLauncher::startDetached(const std::string& program) {
  struct stat st {};
  if (::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(program.c_str(), X_OK) != 0)
    return false;
  // A pipe tells the parent whether exec worked: it closes on success (CLOEXEC).
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (child == 0) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
    ::execv(program.c_str(), argv);
    const int err = errno;
    [[maybe_unused]] auto n = ::write(fds[1], &err, sizeof err);
    ::_exit(127);
  }
  ::close(fds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n;
  do {
    n = ::read(fds[0], &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  ::close(fds[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

}  // namespace prandel::platform
