// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The live tracker of one data folder: it times the connections the monitor
// reports, prices each as it runs with the pricing engine, keeps the session log,
// counts the countdown down in the main record, warns the desktop before the
// allowance runs out, and takes in the settings Prandel saves.
//
// It is fed by the monitor's events, a clock, and a tick: the host calls tick() once
// a second (tests with a fake clock's moments). Nothing here waits or runs on its
// own; an idle tracker's tick looks at one file's size and time and returns.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Pricing.h"
#include "platform/Connections.h"
#include "store/DataFiles.h"
#include "tracker/CallLog.h"
#include "tracker/CountdownMemory.h"
#include "tracker/CountdownRules.h"
#include "tracker/TrackerClock.h"
#include "tracker/TrackerOptions.h"
#include "tracker/TrackerStatus.h"

namespace prandel::tracker {

// What the tracker did, for its host to tell (zktrack run prints a line for each).
class TrackerObserver {
 public:
  virtual ~TrackerObserver() = default;
  virtual void sessionUp(const SessionRow&, bool /*pickedUp*/) {}
  virtual void sessionDown(const SessionRow&) {}
  // A session a tracker before this one left running, finished at its last write.
  virtual void sessionClosed(const SessionRow&) {}
  virtual void settingsReloaded(int /*changeCode*/) {}
  virtual void requestAcknowledged(int /*code*/) {}
  virtual void countdownWarned(const std::string& /*summary*/, bool /*told*/) {}
  virtual void countdownReset(core::Epoch /*moment*/) {}
  // Something the tracker could not do (a write that failed); it goes on.
  virtual void problem(const std::string&) {}
};

struct TrackerParts {
  platform::ConnectionMonitor* monitor = nullptr;
  platform::Notifier* notifier = nullptr;
  const TrackerClock* clock = nullptr;
  core::LocalClock zone = core::LocalClock::system();
  // The words the log keeps for a condition's slices ("Condition 2: $ 2.50 Per Hour").
  std::function<std::string(const core::TariffSettings&, int slot)> labelOf;
  TrackerObserver* observer = nullptr;
};

class LiveTracker final : public platform::ConnectionMonitor::Listener {
 public:
  // How often a running session is written to the log and the countdown to the main
  // record: a crash or a power cut loses less than this.
  static constexpr std::int64_t kWritePeriodSeconds = 30;
  // How often a session's byte counters become a sample of the log.
  static constexpr std::int64_t kSamplePeriodSeconds = 10;
  // How long a session that a tracker before this one left running waits to be
  // picked up by the monitor's report of the active connections.
  static constexpr std::int64_t kPickUpSeconds = 10;

  LiveTracker(std::string folder, TrackerParts parts);
  ~LiveTracker() override;
  LiveTracker(const LiveTracker&) = delete;
  LiveTracker& operator=(const LiveTracker&) = delete;

  // Opens the session log (making it) and the record files (when the folder has
  // them), reads the settings, applies a countdown reset missed while no tracker ran,
  // takes note of the sessions a tracker before it left running, and starts the
  // monitor. False only when the log cannot be opened; a monitor that cannot be
  // started is told through monitorProblem() and may be started again later.
  bool start(std::string& error);
  bool startMonitor();
  const std::string& monitorProblem() const { return monitorProblem_; }

  void connectionChanged(const platform::ConnectionInfo& connection, platform::ConnectionState state) override;
  void tick(const Instant& now);
  // The change notice and the requests of mlif.zkt: cheap unless the file changed.
  // The tick calls it; a file watcher may call it sooner.
  void checkChangeNotice(const Instant& now);
  // Writes every running session and the countdown, as they stand now, for a
  // tracker after this one to go on with. The sessions stay running in the log.
  void stop(const Instant& now);

  TrackerStatus status(const Instant& now) const;
  // Whether the status changed since the last call (a session runs: always).
  bool takeStatusChange();
  bool sessionRunning() const;

 public:
  struct Session;
  struct Stale;
  static constexpr const char* kRunningKey = "running_sessions";

 private:

  struct Active {
    platform::ConnectionInfo info;
    bool activated = false;
  };

  void readSettings();
  // After the settings were read anew: the meters, the countdown, its resets and the
  // connections tracked follow them. notice: the ChangeCode of the change notice that
  // asked for it, if one did.
  void takeSettings(const Instant& now, std::optional<int> notice);
  void reloadMeters();
  bool openFiles();
  bool trackedNow(const platform::ConnectionInfo& c);
  std::unique_ptr<Session> newSession(const platform::ConnectionInfo& c, const Instant& now,
                                      std::optional<core::Epoch> dialStart);
  void startMeter(Session& s, const Instant& now);
  bool pickUp(const platform::ConnectionInfo& c, const Instant& now);
  void closeStale(const Instant& now);
  void trackNewlyTracked(const Instant& now);
  platform::InterfaceCounters countersOf(const Session& s);
  void takeSample(Session& s, const Instant& now, bool force);
  void advanceSessions(const Instant& now);
  std::vector<SliceRow> slicesOf(const core::PricedCall& p) const;
  // finished: the meter's last result, which the log takes as the session's end.
  bool writeSession(Session& s, const Instant& now, std::optional<core::PricedCall> finished);
  void writeAll(const Instant& now);
  void endSession(Session& s, const Instant& now);
  void handleNotice(const Instant& now);
  // CdUsed: the countdown seconds counted since the last write added to the one read.
  void writeCountdown(const Instant& now, bool always);
  void noteCountdown(const Instant& now);
  double countdownLeft() const;
  void checkCountdown(const Instant& now);
  void applyResetIfDue(const Instant& now, bool settingsChanged);
  void rememberRunning();
  void remember(const char* key, const std::string& value);
  void tellProblem(const std::string& what);

  std::string folder_;
  TrackerParts parts_;
  TrackerObserver fallbackObserver_;
  TrackerObserver& observer_;
  CallLog log_;
  store::DataFiles files_;
  bool filesOpen_ = false;
  core::TariffSettings tariff_;
  int cycleStartDay_ = core::kDefaultCycleStartDay;
  TrackerOptions options_;

  std::map<std::string, Active> active_;  // every active connection, by id
  std::map<std::string, std::unique_ptr<Session>> sessions_;  // the tracked ones, by connection id
  std::vector<Stale> stale_;
  bool monitorStarted_ = false;
  std::int64_t monitorStartedMs_ = 0;
  std::string monitorProblem_;

  // The change notice: mlif.zkt as last looked at.
  struct Stamp {
    bool present = false;
    unsigned long long inode = 0, device = 0;
    long long size = 0, mtimeNs = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp stamp_;
  bool stampSettled_ = false;

  // The countdown: CdUsed as last read or written, and what is remembered of it.
  double cdUsedKnown_ = 0;
  double countdownCarried_ = 0;  // of sessions that ended, not yet in CdUsed
  CountdownMemory countdown_;
  ResetMemory reset_;
  std::optional<core::Epoch> nextReset_;

  std::int64_t lastWriteMs_ = 0;
  core::Epoch startedAt_ = 0;
  bool statusChanged_ = true;
  std::string lastProblem_;
};

}  // namespace prandel::tracker
