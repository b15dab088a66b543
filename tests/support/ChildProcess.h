// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a piece of a test in a child process: for what must not touch the test
// process itself (a file size limit, a mount namespace, another user id). The child
// reports through its exit code and never returns into the test runner.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace prandel::test {

// Exit code a child uses to say that it lacks the privileges for its part.
inline constexpr int kChildSkipped = 77;

// In a child: gives up root for the unprivileged user, so that file permissions
// bind as they do for an ordinary user. False when that cannot be done.
inline bool becomeOrdinaryUser() {
  if (::geteuid() != 0) return true;
  constexpr uid_t kNobody = 65534;
  return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
         ::setresuid(kNobody, kNobody, kNobody) == 0 && ::geteuid() == kNobody;
}

// The child's exit code, 128 + signal when a signal ended it, -1 when no child
// could be started.
inline int runInChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    int rc = 1;
    try {
      rc = body();
    } catch (...) {
      rc = 2;
    }
    ::_exit(rc);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace prandel::test
