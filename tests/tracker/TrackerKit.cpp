// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrackerKit.h"

#include <limits>

#include "store/HolidayRecord.h"

namespace prandel::test {

namespace {

void withFiles(const std::string& folder, const std::function<void(store::DataFiles&)>& use) {
  store::DataFiles files;
  ASSERT_TRUE(files.openAll(folder));
  const store::DataFiles::FolderLock lock(files);
  ASSERT_TRUE(lock.held());
  use(files);
}

}  // namespace

void writeTariff(const std::string& folder, const core::TariffSettings& t) {
  withFiles(folder, [&](store::DataFiles& files) {
    store::MainRecord main = t.main;
    main.HolidayCount = static_cast<std::int16_t>(t.holidays.size());
    ASSERT_TRUE(store::writeRecord(files, store::MainRecord::Channel, store::MainRecord::RecordNo, main));
    for (int i = 1; i <= store::ExpenseCondition::Slots; ++i) {
      ASSERT_TRUE(store::writeRecord(files, store::ExpenseCondition::Channel, store::ExpenseCondition::LiveBase + i,
                                     t.conditions[static_cast<std::size_t>(i - 1)]));
    }
    for (std::size_t k = 0; k < t.holidays.size(); ++k) {
      store::HolidayRecord h;
      h.HoliDate = t.holidays[k];
      ASSERT_TRUE(store::writeRecord(files, store::HolidayRecord::Channel,
                                     store::HolidayRecord::Base + static_cast<int>(k) + 1, h));
    }
  });
}

store::MainRecord readMain(const std::string& folder) {
  store::MainRecord m;
  store::DataFiles files;
  files.openAllForReading(folder);
  store::MainRecIO(files, m, false);
  return m;
}

std::vector<std::uint8_t> mainBytes(const std::string& folder) {
  const auto m = readMain(folder);
  return {m.raw.begin(), m.raw.end()};
}

store::LinkRecord readLink(const std::string& folder) {
  store::LinkRecord l;
  store::DataFiles files;
  files.openAllForReading(folder);
  store::LinkRecIO(files, l, false);
  return l;
}

void saveAsPrandel(const std::string& folder, const std::function<void(store::DataFiles&)>& change,
                   std::uint8_t changeCode) {
  withFiles(folder, [&](store::DataFiles& files) {
    change(files);
    store::MainRecord m;
    ASSERT_TRUE(store::MainRecIO(files, m, false));
    m.ChangeCode = changeCode;
    ASSERT_TRUE(store::MainRecIO(files, m, true));
    store::LinkRecord l;
    ASSERT_TRUE(store::LinkRecIO(files, l, false));
    l.ReloadFlag = -1;
    ASSERT_TRUE(store::LinkRecIO(files, l, true));
  });
}

void writeLinkRequest(const std::string& folder, std::int16_t requestCode) {
  withFiles(folder, [&](store::DataFiles& files) {
    store::LinkRecord l;
    ASSERT_TRUE(store::LinkRecIO(files, l, false));
    l.RequestCode = requestCode;
    ASSERT_TRUE(store::LinkRecIO(files, l, true));
  });
}

Bench::Bench(const std::string& folder, FakeClock& clock, const core::LocalClock& zone) : clock(clock) {
  tracker::TrackerParts parts;
  parts.monitor = &monitor;
  parts.notifier = &notifier;
  parts.clock = &clock;
  parts.zone = zone;
  parts.labelOf = [](const core::TariffSettings&, int slot) { return "Condition " + std::to_string(slot); };
  parts.observer = &observer;
  tracker = std::make_unique<tracker::LiveTracker>(folder, parts);
}

void Bench::start() {
  std::string error;
  ASSERT_TRUE(tracker->start(error)) << error;
}

void Bench::run(std::int64_t seconds) {
  for (std::int64_t i = 0; i < seconds; ++i) {
    clock.advance(1);
    tracker->tick(clock.now());
  }
}

std::vector<tracker::LoggedSession> loggedSessions(const std::string& folder) {
  tracker::CallLog log;
  std::vector<tracker::LoggedSession> out;
  if (!log.open(folder, tracker::CallLog::Access::Read)) return out;
  std::vector<tracker::SessionRow> rows;
  constexpr auto kMin = std::numeric_limits<core::Epoch>::min() / 2, kMax = std::numeric_limits<core::Epoch>::max() / 2;
  log.sessions({{kMin, kMax}, std::nullopt}, rows);
  for (const auto& r : rows) {
    tracker::LoggedSession s;
    log.session(r.id, s);
    out.push_back(std::move(s));
  }
  return out;
}

}  // namespace prandel::test
