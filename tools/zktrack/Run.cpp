// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack run: the live tracker of a data folder, as a program of its own that a
// user starts, or systemd starts from the user unit zelkora-tracker.service. One per
// data folder; it tells what it does in short lines on standard error (the journal
// keeps them) and ends cleanly on SIGTERM and SIGINT with its sessions written.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "CallArguments.h"
#include "LogTexts.h"
#include "core/EditorRequests.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/NetworkManagerMonitor.h"
#include "platform/linux/TrackerLock.h"
#include "tracker/LiveTracker.h"

namespace zktrack {

using prandel::tracker::Instant;
using prandel::tracker::SessionRow;

namespace {

// How often a monitor that could not be started (no system bus yet, NetworkManager
// not running) is tried again.
constexpr int kMonitorRetrySeconds = 10;

// --- Signals: a byte through a pipe, read by the event loop ---------------------------

int gSignalPipe[2] = {-1, -1};

extern "C" void onSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
  errno = saved;
}

bool catchSignals() {
  if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0;
}

// --- What it says ---------------------------------------------------------------------

std::string hms(std::int64_t seconds) { return secondsText(static_cast<double>(seconds)); }

class Lines final : public prandel::tracker::TrackerObserver {
 public:
  explicit Lines(std::string folder) : folder_(std::move(folder)) {}

  void sessionUp(const SessionRow& s, bool pickedUp) override {
    if (pickedUp)
      say("session " + quoted(s.connection) + " taken over from a tracker that ended (up since " + localMoment(s.up) + ")");
    else
      say("session " + quoted(s.connection) + " up");
  }
  void sessionDown(const SessionRow& s) override {
    const MoneyStyle style = moneyStyleOf(readMainRecord(folder_));
    say("session " + quoted(s.connection) + " down: " + hms(s.countedSeconds) + ", " + style.bytes(s.received + s.sent) +
        ", " + style.money(s.cost));
  }
  void sessionClosed(const SessionRow& s) override {
    say("session " + quoted(s.connection) + " of a tracker that ended is gone: finished at its last write, " +
        localMoment(s.end.value_or(s.lastWrite)));
  }
  void settingsReloaded(int changeCode) override {
    say("settings read again (ChangeCode " + std::to_string(changeCode) + ")");
  }
  void requestAcknowledged(int code) override {
    say("request " + std::to_string(code) + (code == prandel::kOnlineBookmarksRequest ? " (online bookmarks)" : " (online examples)") +
        " from prandel acknowledged; no program of the suite takes it on Linux");
  }
  void countdownWarned(const std::string& summary, bool told) override {
    say(summary + (told ? "" : " (no notification daemon took it)"));
  }
  void countdownReset(Epoch moment) override { say("countdown reset, as set for " + localMoment(moment)); }
  void problem(const std::string& what) override { say(what); }

  static void say(const std::string& line) { std::cerr << "zktrack: " << line << std::endl; }

 private:
  std::string folder_;
};

// --- The clock ------------------------------------------------------------------------

// ZKTRACK_TEST_CLOCK="START,SPEED" starts the tracker's clock at START (@SECONDS or a
// local yyyy-mm-dd hh:mm:ss) and runs it SPEED times fast, ticking as often: for the
// end-to-end tests, which run a session of hours in a minute. Not for users: it is
// named in the tests only.
constexpr const char* kTestClockVariable = "ZKTRACK_TEST_CLOCK";

struct Clock {
  std::unique_ptr<prandel::tracker::TrackerClock> clock;
  int speed = 1;
};

std::optional<Clock> makeClock() {
  Clock c;
  const char* text = std::getenv(kTestClockVariable);
  if (!text || !*text) {
    c.clock = std::make_unique<prandel::tracker::SystemTrackerClock>();
    return c;
  }
  const std::string value = text;
  const auto comma = value.rfind(',');
  const auto start = comma == std::string::npos ? std::nullopt
                                                  : parseLocalMoment(value.substr(0, comma), prandel::core::LocalClock::system());
  int speed = 0;
  try {
    speed = comma == std::string::npos ? 0 : std::stoi(value.substr(comma + 1));
  } catch (...) {
    speed = 0;
  }
  if (!start || speed < 1 || speed > 1000) {
    std::cerr << "zktrack: " << kTestClockVariable << " is START,SPEED (START @SECONDS or yyyy-mm-dd hh:mm:ss, SPEED 1 to 1000), not "
              << readable(value) << "\n";
    return std::nullopt;
  }
  c.clock = std::make_unique<prandel::tracker::FastTrackerClock>(*start, speed);
  c.speed = speed;
  return c;
}

// The small program that runs the tracker (zktrack-run): beside zktrack in a build,
// in the package's libexec folder when installed. It links no GUI or format library,
// so that the process that stays up is small.
std::string trackerProgram(const std::string& programDir) {
  for (const std::string& path : {programDir + "/zktrack-run", programDir + "/../libexec/prandel/zktrack-run"})
    if (::access(path.c_str(), X_OK) == 0) return path;
  return {};
}

}  // namespace

// --- The program ----------------------------------------------------------------------

int runTracker(const std::string& folder) {
  if (std::string why; !makeDataFolder(folder, why)) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  auto clock = makeClock();
  if (!clock) return 2;

  const std::string runtime = prandel::platform::trackerRuntimeFolder();
  prandel::platform::TrackerLock lock;
  prandel::platform::TrackerHolder holder;
  std::string why;
  switch (lock.acquire(runtime, folder, holder, why)) {
    case prandel::platform::TrackerLock::Outcome::Taken: break;
    case prandel::platform::TrackerLock::Outcome::HeldByAnother:
      std::cerr << "zktrack: a tracker runs for " << folder << " already"
                << (holder.pid > 0 ? " (process " + std::to_string(holder.pid) + ")" : std::string()) << "\n";
      return 1;
    case prandel::platform::TrackerLock::Outcome::Failed:
      std::cerr << "zktrack: cannot run the tracker: " << why << "\n";
      return 1;
  }
  const std::string statusPath = prandel::platform::trackerStatusPath(runtime, folder);
  if (!catchSignals()) {
    std::cerr << "zktrack: cannot catch SIGTERM and SIGINT: " << std::strerror(errno) << "\n";
    return 1;
  }

  static int argc = 1;
  static char name[] = "zktrack";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  prandel::platform::NetworkManagerMonitor monitor;
  prandel::platform::DesktopNotifier notifier;
  Lines lines(folder);
  prandel::tracker::TrackerParts parts;
  parts.monitor = &monitor;
  parts.notifier = &notifier;
  parts.clock = clock->clock.get();
  parts.labelOf = sliceLabel;
  parts.observer = &lines;
  prandel::tracker::LiveTracker tracker(folder, parts);
  if (!tracker.start(why)) {
    std::cerr << "zktrack: cannot open the session log: " << why << "\n";
    return 1;
  }
  Lines::say("tracking the connections of " + folder + " (process " + std::to_string(::getpid()) + ")");
  std::string toldProblem;
  const auto tellMonitor = [&] {
    if (tracker.monitorProblem() == toldProblem) return;
    toldProblem = tracker.monitorProblem();
    if (toldProblem.empty()) Lines::say("watching the connections");
    else
      Lines::say("cannot watch the connections: " + toldProblem + "; trying again every " +
                 std::to_string(kMonitorRetrySeconds) + " s");
  };
  tellMonitor();

  bool statusFailed = false;
  const auto writeStatus = [&](const Instant& now) {
    auto st = tracker.status(now);
    st.pid = ::getpid();
    std::string error;
    const bool written = prandel::tracker::writeStatusFile(statusPath, st, error);
    // Told once: zktrack status then says that it has no status to show.
    if (!written && !statusFailed) Lines::say("cannot write the status for zktrack status: " + error);
    statusFailed = !written;
  };

  // The change notice is seen when the file changes; the tick looks too (the watch
  // is lost when the file is replaced, and a file system may not report changes).
  const QString records = QString::fromStdString(folder + "/mlif.zkt");
  QFileSystemWatcher watcher;
  const auto watch = [&] {
    if (watcher.files().isEmpty() && QFile::exists(records)) watcher.addPath(records);
  };
  watch();
  QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, [&] {
    tracker.checkChangeNotice(clock->clock->now());
    watch();
  });

  std::int64_t lastTry = clock->clock->now().steadyMs;
  QTimer timer;
  timer.setTimerType(clock->speed > 1 ? Qt::PreciseTimer : Qt::CoarseTimer);
  timer.setInterval(std::max(1, 1000 / clock->speed));
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const Instant now = clock->clock->now();
    tracker.tick(now);
    if (!tracker.monitorProblem().empty() && now.steadyMs - lastTry >= kMonitorRetrySeconds * 1000) {
      lastTry = now.steadyMs;
      tracker.startMonitor();
      tellMonitor();
    }
    watch();
    if (tracker.takeStatusChange()) writeStatus(now);
  });
  timer.start();
  writeStatus(clock->clock->now());

  QSocketNotifier signalNotifier(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
    char buf[16];
    while (::read(gSignalPipe[0], buf, sizeof buf) > 0) {
    }
    app.quit();
  });

  app.exec();
  timer.stop();
  tracker.stop(clock->clock->now());
  ::unlink(statusPath.c_str());
  Lines::say(tracker.sessionRunning() ? "stopped; the sessions running are written, for the next tracker to go on with"
                                      : "stopped");
  return 0;
}

void addRunCommand(CLI::App& app, Context& ctx) {
  auto data = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("run", "Run the live tracker: time, price and log the connections");
  cmd->footer(
      "Watches NetworkManager's connections and times the dial-up, mobile and metered ones\n"
      "(and those a condition names; 'zktrack log settings tracked-connections' chooses\n"
      "others): each is priced as it runs, written to the session log every half minute\n"
      "and when it ends, and counted down in the countdown, whose warnings go to the\n"
      "desktop. Settings that prandel saves are read again within two seconds. Runs until\n"
      "SIGTERM or SIGINT (Ctrl+C); one tracker per data folder. Lines on standard error\n"
      "say what it does. As a service: systemctl --user enable --now zelkora-tracker.\n"
      "Exit codes: 0 ended by a signal, 1 it could not run (another tracker runs for the\n"
      "folder, the log cannot be opened), 2 a wrong command line.");
  addDataOption(*cmd, *data);
  cmd->callback([&ctx, data] {
    const std::string folder = dataFolderFor(ctx, *data).path;
    if (const std::string program = trackerProgram(ctx.programDir); !program.empty()) {
      const char* argv[] = {"zktrack-run", "--data", folder.c_str(), nullptr};
      ::execv(program.c_str(), const_cast<char* const*>(argv));
      // Not startable: the tracker runs in this process instead.
    }
    ctx.exitCode = runTracker(folder);
  });
}

}  // namespace zktrack
