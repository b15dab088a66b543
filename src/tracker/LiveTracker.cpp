// SPDX-License-Identifier: GPL-3.0-or-later
// The tracker's sessions: begun when a tracked connection comes up, priced as they
// run, written to the log every half minute and finished when the connection goes
// down; taken over again after a restart while their connection is still up.
#include "tracker/LiveTracker.h"

#include <algorithm>
#include <limits>

#include "tracker/LiveSession.h"
#include "tracker/PricedSession.h"

namespace prandel::tracker {

using platform::ConnectionState;

LiveTracker::LiveTracker(std::string folder, TrackerParts parts)
    : folder_(std::move(folder)), parts_(std::move(parts)), observer_(parts_.observer ? *parts_.observer : fallbackObserver_) {}

LiveTracker::~LiveTracker() {
  if (monitorStarted_) parts_.monitor->setListener(nullptr);
}

bool LiveTracker::start(std::string& error) {
  const Instant now = parts_.clock->now();
  startedAt_ = now.wall;
  if (!log_.open(folder_, CallLog::Access::Write)) {
    error = log_.error();
    return false;
  }
  readSettings();
  if (!readCountdownMemory(log_, countdown_, reset_)) tellProblem("cannot read the session log: " + log_.error());
  if (filesOpen_) noteCountdown(now);
  applyResetIfDue(now, true);

  // The sessions a tracker before this one left running: taken over when the monitor
  // reports their connection still up, else finished where they were last written.
  const auto running = log_.setting(kRunningKey);
  const auto ties = running ? parseRunning(*running) : std::vector<Stale>{};
  std::vector<SessionRow> rows;
  constexpr auto kAll = Span{std::numeric_limits<Epoch>::min() / 2, std::numeric_limits<Epoch>::max() / 2};
  if (!log_.sessions({kAll, std::nullopt}, rows)) tellProblem("cannot read the session log: " + log_.error());
  for (const auto& r : rows) {
    if (r.state != SessionState::Running) continue;
    const auto tie = std::find_if(ties.begin(), ties.end(), [&](const Stale& s) { return s.session == r.id; });
    stale_.push_back(tie != ties.end() ? *tie : Stale{r.id, {}, 0, 0, 0});
  }
  startMonitor();
  return true;
}

bool LiveTracker::startMonitor() {
  if (monitorStarted_) return true;
  parts_.monitor->setListener(this);
  // Set before it starts: the connections it reports at once count from now.
  monitorStarted_ = true;
  monitorStartedMs_ = parts_.clock->now().steadyMs;
  std::string why;
  if (!parts_.monitor->start(why)) {
    monitorStarted_ = false;
    parts_.monitor->setListener(nullptr);
    if (why != monitorProblem_) statusChanged_ = true;
    monitorProblem_ = why.empty() ? "the connections cannot be watched" : why;
    return false;
  }
  if (!monitorProblem_.empty()) statusChanged_ = true;
  monitorProblem_.clear();
  return true;
}

void LiveTracker::readSettings() {
  if (const auto day = log_.cycleStartDay()) cycleStartDay_ = *day;
  if (const auto o = readTrackerOptions(log_)) options_ = *o;
  if (!filesOpen_) openFiles();
  tariff_ = core::readTariffSettings(files_, cycleStartDay_);
  cdUsedKnown_ = tariff_.main.CdUsed;
}

void LiveTracker::reloadMeters() {
  for (auto& [id, s] : sessions_)
    if (s->meter) s->meter->reload(tariff_);
}

// --- The monitor's events -----------------------------------------------------------

void LiveTracker::connectionChanged(const platform::ConnectionInfo& c, ConnectionState state) {
  const Instant now = parts_.clock->now();
  const auto it = sessions_.find(c.id);
  Session* s = it == sessions_.end() ? nullptr : it->second.get();
  switch (state) {
    case ConnectionState::Activating:
      active_[c.id] = {c, false};
      if (s || !trackedNow(c)) return;
      sessions_[c.id] = newSession(c, now, now.wall);
      statusChanged_ = true;
      return;
    case ConnectionState::Activated:
      active_[c.id] = {c, true};
      if (s) {
        // A later report may name the interface the first one did not know.
        if (!c.interface.empty()) s->info.interface = c.interface;
        if (!s->up) startMeter(*s, now);
        return;
      }
      if (pickUp(c, now) || !trackedNow(c)) return;
      sessions_[c.id] = newSession(c, now, std::nullopt);
      startMeter(*sessions_[c.id], now);
      return;
    case ConnectionState::Deactivated:
      active_.erase(c.id);
      if (!s) return;
      // A dial that never came up is no session.
      if (s->up) endSession(*s, now);
      sessions_.erase(c.id);
      rememberRunning();
      statusChanged_ = true;
      return;
  }
}

bool LiveTracker::trackedNow(const platform::ConnectionInfo& c) {
  // `zktrack log settings` may have changed them since.
  if (const auto o = readTrackerOptions(log_)) options_ = *o;
  return isTracked(c, options_, tariff_);
}

std::unique_ptr<LiveTracker::Session> LiveTracker::newSession(const platform::ConnectionInfo& c, const Instant& now,
                                                              std::optional<Epoch> dialStart) {
  auto s = std::make_unique<Session>();
  s->info = c;
  s->name = sessionName(c.name);
  s->timeline = SessionTimeline(now);
  s->dialStart = dialStart;
  return s;
}

void LiveTracker::startMeter(Session& s, const Instant& now) {
  const Epoch up = s.timeline.at(now);
  if (const auto day = log_.cycleStartDay()) cycleStartDay_ = *day;
  tariff_.cycleStartDay = cycleStartDay_;
  // Where counting starts decides whose day and cycle the history is of.
  const Epoch countFrom = core::CallMeter(tariff_, {}, parts_.zone, s.name, s.dialStart, up).soFar().countFrom;
  auto history = log_.historyBefore(countFrom, cycleStartDay_, 0, parts_.zone.zone());
  if (!history) {
    tellProblem("cannot read the session log: " + log_.error() + "; the session is priced without the earlier calls");
    history = core::CallHistory{};
  }
  s.meter.emplace(tariff_, *history, parts_.zone, s.name, s.dialStart, up);
  s.up = true;
  s.row = SessionRow{};
  s.row.connection = s.name;
  s.row.dialStart = s.dialStart;
  s.row.up = up;
  s.row.countFrom = countFrom;
  s.row.state = SessionState::Running;
  s.bytes.read(countersOf(s), up);  // the baseline
  s.lastSampleAt = up;
  writeSession(s, now, std::nullopt);
  lastWriteMs_ = now.steadyMs;
  rememberRunning();
  statusChanged_ = true;
  observer_.sessionUp(s.row, false);
}

bool LiveTracker::pickUp(const platform::ConnectionInfo& c, const Instant& now) {
  const platform::InterfaceCounters counters = c.interface.empty() ? platform::InterfaceCounters{} : parts_.monitor->counters(c.interface);
  const auto tie = std::find_if(stale_.begin(), stale_.end(), [&](const Stale& t) {
    // The same connection id, on the same interface when both are known: a pppd
    // link that was made anew has the same id but another interface.
    return t.connectionId == c.id && (t.ifindex == 0 || !counters.valid || counters.ifindex == t.ifindex);
  });
  if (tie == stale_.end()) return false;
  const Stale stale = *tie;
  stale_.erase(tie);

  LoggedSession logged;
  if (!log_.session(stale.session, logged) || logged.session.state != SessionState::Running) {
    tellProblem("cannot read session " + std::to_string(stale.session) + " of the session log: " + log_.error());
    return false;
  }
  const SessionRow& row = logged.session;
  auto s = newSession(c, now, row.dialStart);
  s->name = row.connection;
  s->pickedUp = true;
  s->up = true;
  // The session's clock goes on from its last write; the time the tracker was away
  // is counted when the meter is advanced to now.
  s->timeline = SessionTimeline(Instant{std::max(now.wall, row.lastWrite), now.steadyMs});

  // The meter walks the session again up to its last write, with the countdown as
  // it stood when the session began (CdUsed holds this session's seconds written so
  // far), then takes the settings as they are.
  core::TariffSettings before = tariff_;
  before.main.CdUsed -= row.countdownSeconds;
  auto history = log_.historyBefore(row.countFrom, cycleStartDay_, row.id, parts_.zone.zone());
  if (!history) history = core::CallHistory{};
  s->meter.emplace(before, *history, parts_.zone, s->name, row.dialStart, row.up);
  for (const auto& smp : logged.samples) s->meter->addSample(smp);
  s->meter->advanceTo(row.lastWrite);
  s->meter->reload(tariff_);
  s->countdownWritten = s->meter->soFar().countdownUsed;
  s->row = row;
  const core::ByteSample last = logged.samples.empty() ? core::ByteSample{row.up, 0, 0} : logged.samples.back();
  s->bytes.resume(stale.ifindex, stale.rawReceived, stale.rawSent, row.lastWrite, last.received, last.sent);
  s->bytes.read(counters, s->timeline.at(now));
  s->sampledReceived = last.received;
  s->sampledSent = last.sent;
  s->lastSampleAt = last.at;

  Session& session = *s;
  sessions_[c.id] = std::move(s);
  session.meter->advanceTo(session.timeline.at(now));
  writeSession(session, now, std::nullopt);
  lastWriteMs_ = now.steadyMs;
  rememberRunning();
  statusChanged_ = true;
  observer_.sessionUp(session.row, true);
  return true;
}

void LiveTracker::closeStale(const Instant& now) {
  if (stale_.empty() || !monitorStarted_ || now.steadyMs - monitorStartedMs_ < kPickUpSeconds * 1000) return;
  for (const Stale& t : stale_) {
    LoggedSession logged;
    if (!log_.session(t.session, logged)) {
      tellProblem("cannot read session " + std::to_string(t.session) + " of the session log: " + log_.error());
      continue;
    }
    if (logged.session.state != SessionState::Running) continue;
    SessionRow row = logged.session;
    // It ran at least until it was last written; what came after is unknown. Its
    // last sample, as of that write, is its bytes.
    row.end = row.lastWrite;
    if (!logged.samples.empty()) {
      row.received = std::max(row.received, logged.samples.back().received);
      row.sent = std::max(row.sent, logged.samples.back().sent);
    }
    if (!log_.finish(row, logged.slices, {})) {
      tellProblem("cannot finish session " + std::to_string(row.id) + " in the session log: " + log_.error());
      continue;
    }
    observer_.sessionClosed(row);
  }
  stale_.clear();
  rememberRunning();
}

void LiveTracker::trackNewlyTracked(const Instant& now) {
  for (const auto& [id, a] : active_) {
    if (!a.activated || sessions_.count(id) || !isTracked(a.info, options_, tariff_)) continue;
    sessions_[id] = newSession(a.info, now, std::nullopt);
    startMeter(*sessions_[id], now);
  }
}

// --- As the session runs ----------------------------------------------------------------

platform::InterfaceCounters LiveTracker::countersOf(const Session& s) {
  if (s.info.interface.empty()) return {};
  return parts_.monitor->counters(s.info.interface);
}

void LiveTracker::takeSample(Session& s, const Instant& now, bool force) {
  const Epoch at = s.timeline.at(now);
  if (s.bytes.received() == s.sampledReceived && s.bytes.sent() == s.sampledSent) return;
  if (!force && at - s.lastSampleAt < kSamplePeriodSeconds) return;
  const core::ByteSample smp{at, s.bytes.received(), s.bytes.sent()};
  s.meter->addSample(smp);
  s.unlogged.push_back(smp);
  s.lastSampleAt = at;
  s.sampledReceived = smp.received;
  s.sampledSent = smp.sent;
}

void LiveTracker::advanceSessions(const Instant& now) {
  for (auto& [id, s] : sessions_)
    if (s->up) s->meter->advanceTo(s->timeline.at(now));
}

void LiveTracker::tick(const Instant& now) {
  checkChangeNotice(now);
  closeStale(now);
  bool running = false;
  for (auto& [id, s] : sessions_) {
    if (!s->up) continue;
    running = true;
    s->bytes.read(countersOf(*s), s->timeline.at(now));
    takeSample(*s, now, false);
    s->meter->advanceTo(s->timeline.at(now));
  }
  // After the meters: the seconds up to the reset belong to the countdown it ends.
  if (nextReset_ && now.wall >= *nextReset_) applyResetIfDue(now, false);
  if (!running) return;
  checkCountdown(now);
  if (now.steadyMs - lastWriteMs_ >= kWritePeriodSeconds * 1000) writeAll(now);
}

std::vector<SliceRow> LiveTracker::slicesOf(const core::PricedCall& p) const {
  std::vector<SliceRow> out;
  std::map<int, std::string> labels;
  for (const auto& slice : p.slices) {
    auto it = labels.find(slice.slot);
    if (it == labels.end()) it = labels.emplace(slice.slot, parts_.labelOf ? parts_.labelOf(tariff_, slice.slot) : std::string()).first;
    out.push_back({slice.from, slice.to, slice.slot, it->second, slice.units, slice.charge});
  }
  return out;
}

bool LiveTracker::writeSession(Session& s, const Instant& now, std::optional<core::PricedCall> finished) {
  const core::PricedCall& p = finished ? *finished : s.meter->soFar();
  SessionRow& r = s.row;
  setPricedTotals(r, p);
  const bool ok = finished ? log_.finish(r, slicesOf(p), s.unlogged) : (r.lastWrite = s.timeline.at(now), log_.saveRunning(r, slicesOf(p), s.unlogged));
  if (!ok) {
    tellProblem("cannot write session \"" + s.name + "\" to the session log: " + log_.error());
    return false;
  }
  s.unlogged.clear();
  return true;
}

void LiveTracker::writeAll(const Instant& now) {
  // The last sample is as of this write, and the interface's reading kept with it, so
  // that a tracker that takes the session over goes on from there. The reading is
  // kept first: a tracker killed between the two writes then goes on from a reading
  // newer than the log's last sample, and misses those bytes rather than counting
  // them twice.
  for (auto& [id, s] : sessions_)
    if (s->up) takeSample(*s, now, true);
  rememberRunning();
  for (auto& [id, s] : sessions_)
    if (s->up) writeSession(*s, now, std::nullopt);
  writeCountdown(now, false);
  lastWriteMs_ = now.steadyMs;
}

void LiveTracker::endSession(Session& s, const Instant& now) {
  const Epoch end = s.timeline.at(now);
  // The interface may be gone already: then the last reading stands.
  s.bytes.read(countersOf(s), end);
  takeSample(s, now, true);
  core::PricedCall p = s.meter->finish(end);
  // The meter is spent now: its countdown seconds not yet in CdUsed go with the next write.
  countdownCarried_ += p.countdownUsed - s.countdownWritten;
  s.row.end = end;
  s.up = false;
  writeSession(s, now, std::move(p));
  writeCountdown(now, false);
  observer_.sessionDown(s.row);
}

void LiveTracker::stop(const Instant& now) {
  advanceSessions(now);
  writeAll(now);
  if (monitorStarted_) parts_.monitor->setListener(nullptr);
  monitorStarted_ = false;
}

void LiveTracker::rememberRunning() {
  std::vector<Stale> ties = stale_;
  for (const auto& [id, s] : sessions_) {
    if (!s->up || s->row.id == 0) continue;
    const auto& raw = s->bytes.lastReading();
    ties.push_back({s->row.id, id, raw.valid ? raw.ifindex : 0, raw.received, raw.sent});
  }
  remember(kRunningKey, runningText(ties));
}

void LiveTracker::remember(const char* key, const std::string& value) {
  if (!log_.setSetting(key, value)) tellProblem("cannot write the session log: " + log_.error());
}

void LiveTracker::tellProblem(const std::string& what) {
  // A fault that lasts (a full disk) is told once, not at every write.
  if (what == lastProblem_) return;
  lastProblem_ = what;
  observer_.problem(what);
}

// --- What zktrack status shows -----------------------------------------------------------

bool LiveTracker::sessionRunning() const {
  return std::any_of(sessions_.begin(), sessions_.end(), [](const auto& e) { return e.second->up; });
}

bool LiveTracker::takeStatusChange() {
  const bool changed = statusChanged_ || sessionRunning();
  statusChanged_ = false;
  return changed;
}

TrackerStatus LiveTracker::status(const Instant& now) const {
  TrackerStatus st;
  st.dataFolder = folder_;
  st.startedAt = startedAt_;
  st.asOf = now.wall;
  st.monitorProblem = monitorProblem_;
  for (const auto& [id, s] : sessions_) {
    if (!s->up) continue;
    const core::PricedCall& p = s->meter->soFar();
    SessionStatus x;
    x.connection = s->name;
    x.dialStart = s->row.dialStart;
    x.up = s->row.up;
    x.countFrom = p.countFrom;
    x.countedSeconds = p.countedSeconds;
    x.received = p.received;
    x.sent = p.sent;
    x.cost = p.cost;
    x.slot = p.units.empty() ? 0 : p.units.back().slot;
    x.condition = parts_.labelOf ? parts_.labelOf(tariff_, x.slot) : std::string();
    x.pickedUp = s->pickedUp;
    st.sessions.push_back(std::move(x));
  }
  st.countdown.enabled = filesOpen_ && tariff_.main.CdEnabled;
  st.countdown.total = tariff_.main.CdTotal;
  st.countdown.left = countdownLeft();
  return st;
}

}  // namespace prandel::tracker
