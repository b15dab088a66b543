// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The live tracker on a bench: a monitor, a notifier and a clock that the test
// drives, a data folder with a tariff written as Prandel would write it, and the
// tracker run second by second.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/PricingKit.h"
#include "platform/Connections.h"
#include "store/DataFiles.h"
#include "store/RecordIO.h"
#include "support/TempDir.h"
#include "tracker/CallLog.h"
#include "tracker/LiveTracker.h"

namespace prandel::test {

using platform::ConnectionInfo;
using platform::ConnectionState;
using tracker::Instant;

class FakeMonitor final : public platform::ConnectionMonitor {
 public:
  void setListener(Listener* l) override { listener = l; }
  bool start(std::string& error) override {
    ++starts;
    if (!startError.empty()) {
      error = startError;
      return false;
    }
    // The connections up already are reported at once, as active.
    for (const auto& [id, c] : active) listener->connectionChanged(c, ConnectionState::Activated);
    return true;
  }
  platform::InterfaceCounters counters(const std::string& interface) override {
    const auto it = interfaces.find(interface);
    return it == interfaces.end() ? platform::InterfaceCounters{} : it->second;
  }
  bool disconnect(const std::string& id) override {
    disconnected.push_back(id);
    return true;
  }

  // What the system reports.
  void report(const ConnectionInfo& c, ConnectionState state) {
    if (state == ConnectionState::Deactivated) active.erase(c.id);
    else active[c.id] = c;
    if (listener) listener->connectionChanged(c, state);
  }
  // The interface's counters grow.
  void count(const std::string& interface, std::uint64_t received, std::uint64_t sent, int ifindex = 7) {
    interfaces[interface] = {true, ifindex, received, sent};
  }

  Listener* listener = nullptr;
  std::map<std::string, ConnectionInfo> active;
  std::map<std::string, platform::InterfaceCounters> interfaces;
  std::vector<std::string> disconnected;
  std::string startError;
  int starts = 0;
};

class FakeNotifier final : public platform::Notifier {
 public:
  struct Note {
    std::string summary, body;
    bool urgent = false;
  };
  bool notify(const std::string& summary, const std::string& body, bool urgent) override {
    notes.push_back({summary, body, urgent});
    return true;
  }
  std::vector<std::string> summaries() const {
    std::vector<std::string> out;
    for (const auto& n : notes) out.push_back(n.summary);
    return out;
  }
  std::vector<Note> notes;
};

// Both clocks move together unless a test moves the wall clock alone (as Prandel's
// shutdown and NTP do).
class FakeClock final : public tracker::TrackerClock {
 public:
  explicit FakeClock(core::Epoch wall) : t_{wall, 5'000'000} {}
  Instant now() const override { return t_; }
  void advance(std::int64_t seconds) {
    t_.wall += seconds;
    t_.steadyMs += seconds * 1000;
  }
  void stepWall(std::int64_t seconds) { t_.wall += seconds; }
  void setWall(core::Epoch wall) { t_.wall = wall; }

 private:
  Instant t_;
};

class RecordingObserver final : public tracker::TrackerObserver {
 public:
  void sessionUp(const tracker::SessionRow& s, bool pickedUp) override {
    events.push_back(std::string(pickedUp ? "picked up " : "up ") + s.connection);
  }
  void sessionDown(const tracker::SessionRow& s) override { events.push_back("down " + s.connection); }
  void sessionClosed(const tracker::SessionRow& s) override { events.push_back("closed " + s.connection); }
  void settingsReloaded(int code) override { events.push_back("reloaded " + std::to_string(code)); }
  void requestAcknowledged(int code) override { events.push_back("request " + std::to_string(code)); }
  void countdownWarned(const std::string& summary, bool) override { events.push_back("warned " + summary); }
  void countdownReset(core::Epoch) override { events.push_back("reset"); }
  void problem(const std::string& what) override { problems.push_back(what); }
  std::vector<std::string> events, problems;
};

// A dial-up connection as NetworkManager reports one.
inline ConnectionInfo dialUp(const std::string& name = "Dial-Up", const std::string& id = "/ac/1",
                             const std::string& interface = "ppp0") {
  return {id, name, interface, "ppp", platform::Metered::Unknown};
}

// The records of a data folder.
void writeTariff(const std::string& folder, const core::TariffSettings& t);
store::MainRecord readMain(const std::string& folder);
std::vector<std::uint8_t> mainBytes(const std::string& folder);
store::LinkRecord readLink(const std::string& folder);
// Changes the records as Prandel saves them: the change, then its change notice
// (ChangeCode, then ReloadFlag -1 at its shutdown).
void saveAsPrandel(const std::string& folder, const std::function<void(store::DataFiles&)>& change,
                   std::uint8_t changeCode);
void writeLinkRequest(const std::string& folder, std::int16_t requestCode);

// A tracker of a folder with fakes around it.
struct Bench {
  Bench(const std::string& folder, FakeClock& clock, const core::LocalClock& zone = core::LocalClock::fixed(0));
  void start();
  // One tick a second, n times.
  void run(std::int64_t seconds);
  Instant now() const { return clock.now(); }

  FakeClock& clock;
  FakeMonitor monitor;
  FakeNotifier notifier;
  RecordingObserver observer;
  std::unique_ptr<tracker::LiveTracker> tracker;
};

// The sessions of a folder's log, with their slices and samples.
std::vector<tracker::LoggedSession> loggedSessions(const std::string& folder);

}  // namespace prandel::test
