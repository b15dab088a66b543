// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack run, status and the commands around the live tracker: one tracker per data
// folder, the status it leaves for zktrack status, a clean end on SIGTERM and
// SIGINT; the tracker's settings in the log; zktrack open leaving the change notice
// to a running tracker; report --show handing the chart to the desktop's viewer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QProcess>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "ZktrackKit.h"
#include "platform/linux/TrackerLock.h"
#include "store/RecordIO.h"

namespace prandel::test {
namespace {

// Sets an environment variable for as long as it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A runtime folder of the test's own, and no D-Bus to reach: the tracker runs
// without watching connections, and tries again.
struct TrackerEnv {
  TrackerEnv() { ::chmod(runtime.path().c_str(), 0700); }
  TempDir runtime;
  ScopedEnv xdg{"XDG_RUNTIME_DIR", runtime.path()};
  ScopedEnv system{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + runtime.file("no-bus")};
  ScopedEnv session{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime.file("no-bus")};
};

// zktrack run in the background, ended by its pid.
class Running {
 public:
  explicit Running(const std::string& data) {
    proc_.setProgram(QString::fromUtf8(ZKTRACK_PATH));
    proc_.setArguments({QStringLiteral("run"), QStringLiteral("--data"), QString::fromStdString(data)});
    proc_.start();
    proc_.waitForStarted(10000);
  }
  ~Running() {
    if (proc_.state() != QProcess::NotRunning) {
      proc_.kill();
      proc_.waitForFinished(10000);
    }
  }
  qint64 pid() const { return proc_.processId(); }
  // Waits until zktrack status says it runs.
  bool ready(const std::string& data) {
    for (int i = 0; i < 200; ++i) {
      if (runProgram(ZKTRACK_PATH, {"status", "--data", data}).has("No session runs.")) return true;
      if (proc_.state() == QProcess::NotRunning) return false;
      QThread::msleep(50);
    }
    return false;
  }
  // Ends it with sig; its exit code, -1 when it did not end.
  int end(int sig) {
    ::kill(static_cast<pid_t>(proc_.processId()), sig);
    if (!proc_.waitForFinished(20000)) return -1;
    err_ = proc_.readAllStandardError().toStdString();
    return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
  }
  const std::string& err() const { return err_; }

 private:
  QProcess proc_;
  std::string err_;
};

TEST(TrackerCommands, OneTrackerPerDataFolderStatusShowsItAndASignalEndsItCleanly) {
  for (const int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
    TrackerEnv env;
    ProgramFolder prog;
    ASSERT_EQ(prog.zktrack({"seed"}).code, 0);
    TempDir other;

    EXPECT_EQ(runProgram(ZKTRACK_PATH, {"status", "--data", prog.path()}).code, 3);
    Running first(prog.path());
    ASSERT_TRUE(first.ready(prog.path()));
    const std::string pid = std::to_string(first.pid());

    const RunResult second = runProgram(ZKTRACK_PATH, {"run", "--data", prog.path()});
    EXPECT_EQ(second.code, 1);
    EXPECT_NE(second.err.find("a tracker runs for " + prog.path() + " already (process " + pid + ")"), std::string::npos)
        << second.err;
    // Another folder has a tracker of its own.
    Running elsewhere(other.path());
    EXPECT_TRUE(elsewhere.ready(other.path()));

    const RunResult status = runProgram(ZKTRACK_PATH, {"status", "--data", prog.path()});
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(status.out.find("Tracker: process " + pid + ", running since ") != std::string::npos) << status.out;
    EXPECT_TRUE(status.out.find("Connections: cannot be watched: ") != std::string::npos) << status.out;
    EXPECT_TRUE(status.has("Countdown: 08:00:00 left of 10:00:00")) << status.out;  // the seed's
    const RunResult json = runProgram(ZKTRACK_PATH, {"status", "--json", "--data", prog.path()});
    EXPECT_NE(json.out.find("\"running\": true"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"pid\": " + pid), std::string::npos) << json.out;

    EXPECT_EQ(first.end(sig), 0);
    EXPECT_NE(first.err().find("zktrack: stopped"), std::string::npos) << first.err();
    const RunResult after = runProgram(ZKTRACK_PATH, {"status", "--json", "--data", prog.path()});
    EXPECT_EQ(after.code, 3);
    EXPECT_NE(after.out.find("\"running\": false"), std::string::npos) << after.out;
    // Its status file went with it; the other tracker's stays.
    EXPECT_FALSE(std::filesystem::exists(platform::trackerStatusPath(platform::trackerRuntimeFolder(), prog.path())));
    EXPECT_TRUE(std::filesystem::exists(platform::trackerStatusPath(platform::trackerRuntimeFolder(), other.path())));
    EXPECT_EQ(elsewhere.end(SIGTERM), 0);
  }
}

TEST(TrackerCommands, ARuntimeFolderOfAnotherUserOrOpenToAllIsRefused) {
  TrackerEnv env;
  const std::string folder = platform::trackerRuntimeFolder();
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ProgramFolder prog;
  const RunResult r = runProgram(ZKTRACK_PATH, {"run", "--data", prog.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("has the mode 0755, where it must be 0700"), std::string::npos) << r.err;
}

TEST(TrackerCommands, TheTrackersSettingsAreSetShownAndChecked) {
  TempDir dir;
  const auto zk = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"--data", dir.path()});
    return runProgram(ZKTRACK_PATH, args);
  };
  const RunResult shown = zk({"log", "settings"});
  EXPECT_EQ(shown.code, 0);
  EXPECT_TRUE(shown.has("tracked-connections default (the live tracker times dial-up, mobile and metered connections, "
                        "and those a condition is bound to)"))
      << shown.out;
  EXPECT_TRUE(shown.has("disconnect-at-zero off (connections stay up when the countdown runs out)")) << shown.out;

  struct Case {
    std::string key, value;
    int code;
    std::string line;  // printed when set, and shown afterwards
  };
  const Case cases[] = {
      {"tracked-connections", "Dial-Up, Office VPN", 0,
       "tracked-connections Dial-Up, Office VPN (the live tracker times these connections only)"},
      {"tracked-connections", "ALL", 0, "tracked-connections all (the live tracker times every connection)"},
      {"tracked-connections", " , ", 2, "tracked-connections all (the live tracker times every connection)"},
      {"disconnect-at-zero", "yes", 0, "disconnect-at-zero on (the live tracker ends the connections when the countdown runs out)"},
      {"disconnect-at-zero", "maybe", 2, "disconnect-at-zero on (the live tracker ends the connections when the countdown runs out)"},
      {"disconnect-at-zero", "off", 0, "disconnect-at-zero off (connections stay up when the countdown runs out)"},
      {"tracked-connections", "default", 0,
       "tracked-connections default (the live tracker times dial-up, mobile and metered connections, and those a "
       "condition is bound to)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key + " " + c.value);
    const RunResult set = zk({"log", "settings", c.key, c.value});
    EXPECT_EQ(set.code, c.code) << set.err;
    if (c.code == 0) {
      EXPECT_TRUE(set.has(c.line)) << set.out;
    }
    EXPECT_TRUE(zk({"log", "settings", c.key}).has(c.line));
  }
  // The other settings are still shown one by one.
  EXPECT_EQ(zk({"log", "settings", "cycle-start-day"}).out, "cycle-start-day 1 (the billing cycle starts on the 1st of each month)\n");
}

TEST(TrackerCommands, OpenLeavesTheChangeNoticeToARunningTracker) {
  TrackerEnv env;
  ProgramFolder prog;
  ASSERT_EQ(prog.zktrack({"seed"}).code, 0);
  // A prandel that saves the expense conditions and asks for the online examples.
  {
    TempDir next;
    copyFile(prog.file("mlif.zkt"), next.file("mlif.zkt"));
    editRecords(next.path(), [](store::DataFiles& f) {
      store::MainRecord m;
      store::MainRecIO(f, m, false);
      m.ChangeCode = 3;
      store::MainRecIO(f, m, true);
      store::LinkRecord l;
      store::LinkRecIO(f, l, false);
      l.ReloadFlag = -1;
      l.RequestCode = 56;
      store::LinkRecIO(f, l, true);
    });
    copyFile(next.file("mlif.zkt"), prog.file("next-mlif.zkt"));
  }
  writeFileText(prog.file("prandel"), "#!/bin/sh\ncd \"$(dirname \"$0\")\" && cat next-mlif.zkt > mlif.zkt\n");
  makeExecutable(prog.file("prandel"));

  platform::TrackerLock lock;
  platform::TrackerHolder holder;
  std::string why;
  ASSERT_EQ(lock.acquire(platform::trackerRuntimeFolder(), prog.path(), holder, why), platform::TrackerLock::Outcome::Taken)
      << why;
  const RunResult r = prog.zktrack({"open", "expense"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.has("The live tracker of this data folder takes the change notice.")) << r.out;
  EXPECT_EQ(readFileBytes(prog.file("mlif.zkt")), readFileBytes(prog.file("next-mlif.zkt")));

  // Without a tracker, open clears the notice as before.
  lock.release();
  const RunResult again = prog.zktrack({"open", "expense"});
  EXPECT_EQ(again.code, 0) << again.err;
  store::DataFiles files;
  files.openAllForReading(prog.path());
  store::LinkRecord l;
  store::LinkRecIO(files, l, false);
  EXPECT_EQ(l.ReloadFlag, 0);
  EXPECT_EQ(l.RequestCode, 0);
}

TEST(TrackerCommands, ReportShowDrawsIntoTheRuntimeFolderAndOpensItInTheViewer) {
  TrackerEnv env;
  TempDir data, bin;
  // An xdg-open that notes what it was given, and the platform it would start a Qt viewer on.
  writeFileText(bin.file("xdg-open"), "#!/bin/sh\necho \"$1 ${QT_QPA_PLATFORM:-none}\" > \"" + bin.file("opened") + "\"\n");
  makeExecutable(bin.file("xdg-open"));
  {
    ScopedEnv path("PATH", bin.path() + ":/usr/bin:/bin");
    // The viewer gets the user's platform, not the one zktrack draws on.
    ScopedEnv qpa("QT_QPA_PLATFORM", "xcb");
    const RunResult r = runProgram(ZKTRACK_PATH, {"report", "--month", "--at", "2026-12-14", "--show", "--data", data.path()});
    EXPECT_EQ(r.code, 0) << r.err;
  }
  const std::string chart = platform::trackerRuntimeFolder() + "/report-month-2026-12-14.png";
  EXPECT_EQ(readText(bin.file("opened")), chart + " xcb\n");
  const auto png = readFileBytes(chart);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");

  // No viewer to hand it to.
  ScopedEnv path("PATH", bin.path() + "/none");
  const RunResult none = runProgram(ZKTRACK_PATH, {"report", "--month", "--show", "--data", data.path()});
  EXPECT_EQ(none.code, 1);
  EXPECT_NE(none.err.find("xdg-open is not installed"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace prandel::test
