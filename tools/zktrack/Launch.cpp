// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

#include "Zktrack.h"

namespace zktrack {
namespace {

// What the child reports through the pipe when it does not reach prandel.
struct ChildFailure {
  int stage;
  int err;
};
enum Stage { kCapabilities = 1, kStillHasClockRight = 2, kExec = 3 };

int capGet(__user_cap_header_struct* h, __user_cap_data_struct* d) { return static_cast<int>(::syscall(SYS_capget, h, d)); }
int capSet(__user_cap_header_struct* h, __user_cap_data_struct* d) { return static_cast<int>(::syscall(SYS_capset, h, d)); }

// In the forked child, so only system calls. Returns 0 or the failing stage.
int dropClockRight(int& err) {
  // Fails with EINVAL where the kernel has no ambient set: then there is nothing to lower.
  ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_LOWER, CAP_SYS_TIME, 0, 0);
  // Without CAP_SETPCAP this fails; a root exec would then get the right back
  // from the bounding set unless no new privileges may be gained.
  const bool bounded = ::prctl(PR_CAPBSET_DROP, CAP_SYS_TIME, 0, 0, 0) == 0 ||
                       ::prctl(PR_CAPBSET_READ, CAP_SYS_TIME, 0, 0, 0) == 0;
  if (!bounded && ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
    err = errno;
    return kCapabilities;
  }

  __user_cap_header_struct hdr{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
  if (capGet(&hdr, data) != 0) {
    err = errno;
    return kCapabilities;
  }
  auto& word = data[CAP_TO_INDEX(CAP_SYS_TIME)];
  const auto mask = CAP_TO_MASK(CAP_SYS_TIME);
  word.effective &= ~mask;
  word.permitted &= ~mask;
  word.inheritable &= ~mask;
  if (capSet(&hdr, data) != 0) {
    err = errno;
    return kCapabilities;
  }

  __user_cap_data_struct check[_LINUX_CAPABILITY_U32S_3]{};
  if (capGet(&hdr, check) != 0) {
    err = errno;
    return kCapabilities;
  }
  const auto& now = check[CAP_TO_INDEX(CAP_SYS_TIME)];
  if ((now.effective | now.permitted) & mask) {
    err = 0;
    return kStillHasClockRight;
  }
  return 0;
}

[[noreturn]] void failChild(int pipeFd, int stage, int err) {
  const ChildFailure f{stage, err};
  [[maybe_unused]] const auto w = ::write(pipeFd, &f, sizeof f);
  ::_exit(127);
}

}  // namespace

int runWithoutClockRight(const std::string& program, std::string& error) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = "cannot start " + program + ": " + std::strerror(errno);
    return -1;
  }
  std::cout.flush();
  std::cerr.flush();
  const pid_t pid = ::fork();
  if (pid < 0) {
    error = "cannot start " + program + ": " + std::strerror(errno);
    ::close(fds[0]);
    ::close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    ::close(fds[0]);
    int err = 0;
    if (const int stage = dropClockRight(err)) failChild(fds[1], stage, err);
    char* const argv[] = {const_cast<char*>("prandel"), nullptr};
    ::execv(program.c_str(), argv);
    failChild(fds[1], kExec, errno);
  }
  ::close(fds[1]);

  // Like system(): a Ctrl+C in the terminal ends prandel, and zktrack stays to
  // report what it left behind.
  struct sigaction ignore {}, oldInt {}, oldQuit {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGINT, &ignore, &oldInt);
  ::sigaction(SIGQUIT, &ignore, &oldQuit);

  ChildFailure failure{};
  ssize_t got;
  do {
    got = ::read(fds[0], &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  ::close(fds[0]);

  int status = 0;
  pid_t w;
  do {
    w = ::waitpid(pid, &status, 0);
  } while (w < 0 && errno == EINTR);
  ::sigaction(SIGINT, &oldInt, nullptr);
  ::sigaction(SIGQUIT, &oldQuit, nullptr);

  if (got == static_cast<ssize_t>(sizeof failure)) {
    switch (failure.stage) {
      case kStillHasClockRight:
        error = "refusing to start prandel: the right to set the clock (CAP_SYS_TIME) could not be dropped";
        break;
      case kExec: error = "cannot run " + program + ": " + std::strerror(failure.err); break;
      default:
        error = std::string("refusing to start prandel: dropping the right to set the clock failed: ") +
                std::strerror(failure.err);
    }
    return -1;
  }
  if (w < 0) {
    error = std::string("lost track of prandel: ") + std::strerror(errno);
    return -1;
  }
  if (WIFSIGNALED(status)) {
    error = "prandel was ended by signal " + std::to_string(WTERMSIG(status));
    return 128 + WTERMSIG(status);
  }
  return WEXITSTATUS(status);
}

}  // namespace zktrack
