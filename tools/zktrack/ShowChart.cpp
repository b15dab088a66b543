// SPDX-License-Identifier: GPL-3.0-or-later
// report --show: the chart drawn into the user's runtime folder and handed to the
// desktop's viewer, as the menu entry's "Connection Costs" asks for it.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "ShowChart.h"
#include "platform/linux/PrivateFolder.h"
#include "platform/linux/TrackerLock.h"

extern char** environ;

namespace zktrack {

std::optional<std::string> shownChartPath(const std::string& name, std::string& why) {
  const std::string folder = prandel::platform::trackerRuntimeFolder();
  const int fd = prandel::platform::openPrivateFolder(folder, why);
  if (fd < 0) return std::nullopt;
  ::close(fd);
  return folder + "/" + name;
}

bool openInViewer(const std::string& path, std::string& why) {
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // A session of its own: the viewer outlives zktrack and no terminal's signals reach it.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  const char* argv[] = {"xdg-open", path.c_str(), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, "xdg-open", nullptr, &attr, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    why = rc == ENOENT ? "xdg-open is not installed (Debian's xdg-utils has it)" : std::string("cannot start xdg-open: ") + std::strerror(rc);
    return false;
  }
  // xdg-open hands the file to the viewer and ends; one that ends badly found none.
  // One that keeps running (it runs the viewer itself) is left to it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
      why = "xdg-open found no program to show " + path + " (it ended with " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")";
      return false;
    }
    if (done < 0 && errno != EINTR) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace zktrack
