// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Pricing.h"

#include <algorithm>
#include <cmath>

#include "store/DataFiles.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"

namespace prandel::core {

TariffSettings readTariffSettings(const store::DataFiles& files, int cycleStartDay) {
  using store::ExpenseCondition;
  using store::HolidayRecord;
  TariffSettings t;
  t.cycleStartDay = validCycleStartDay(cycleStartDay) ? cycleStartDay : kDefaultCycleStartDay;
  store::readRecord(files, store::MainRecord::Channel, store::MainRecord::RecordNo, t.main);
  for (int i = 1; i <= ExpenseCondition::Slots; ++i)
    store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + i,
                      t.conditions[static_cast<std::size_t>(i - 1)]);
  // HolidayCount is trusted up to the records' capacity, as the matching does.
  const int count = std::clamp<int>(t.main.HolidayCount, 0, HolidayRecord::Capacity);
  for (int k = 1; k <= count; ++k) {
    HolidayRecord h;
    if (store::readRecord(files, HolidayRecord::Channel, HolidayRecord::Base + k, h)) t.holidays.push_back(h.HoliDate);
  }
  return t;
}

PricedCall priceCall(const TariffSettings& settings, const CallInput& call, const CallHistory& history,
                     const LocalClock& clock) {
  CallMeter meter(settings, history, clock, call.connection, call.dialStart, call.up);
  // The counters grow in time order; samples given out of it are put in it.
  std::vector<ByteSample> samples = call.samples;
  std::stable_sort(samples.begin(), samples.end(), [](const ByteSample& a, const ByteSample& b) { return a.at < b.at; });
  for (const ByteSample& s : samples) meter.addSample(s);
  return meter.finish(call.end);
}

double roundAmount(double amount) {
  if (!std::isfinite(amount) || std::fabs(amount) >= 1e15) return amount;
  const double r = std::round(amount * 100000.0) / 100000.0;
  return r == 0 ? 0.0 : r;  // no -0
}

std::vector<ByteSample> evenSamples(Epoch from, Epoch to, std::uint64_t received, std::uint64_t sent) {
  std::vector<ByteSample> out;
  if (to <= from) return out;
  const auto n = static_cast<std::uint64_t>(std::min<Epoch>(to - from, kMaxCallSeconds));
  out.reserve(n);
  for (std::uint64_t k = 1; k <= n; ++k) {
    const auto share = [&](std::uint64_t total) {
      return static_cast<std::uint64_t>(static_cast<unsigned __int128>(total) * k / n);
    };
    out.push_back(ByteSample{from + static_cast<Epoch>(k), share(received), share(sent)});
  }
  return out;
}

}  // namespace prandel::core
