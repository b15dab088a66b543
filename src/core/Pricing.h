// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pricing of a call: given the tariff (the live expense conditions, the holidays,
// the call settings and the countdown of the main record) and one call, the units it
// is cut into, the condition each is priced by and what each costs. Pure and
// deterministic: the same settings, call, history and clock give the same result, and
// nothing is read or written here but the records readTariffSettings is handed.
//
// One implementation: priceCall feeds a CallMeter the whole call at once; the live
// tracker feeds one as the call runs. docs/pricing.md gives every rule.
#include <QTimeZone>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/BillingCycle.h"
#include "core/CallTypes.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel::store {
class DataFiles;
}

namespace prandel::core {

// The longest counted span priced: a call that runs longer is priced up to here.
inline constexpr std::int64_t kMaxCallSeconds = 31 * 86400;
// A MB of the per-MB amounts and of the filters.
inline constexpr double kBytesPerMB = 1048576.0;

// Everything the engine needs, read once.
struct TariffSettings {
  store::MainRecord main;  // call settings, countdown, WeekOff, HolidayCount, currency
  std::array<store::ExpenseCondition, store::ExpenseCondition::Slots> conditions;  // the live set, slot i at [i - 1]
  std::vector<double> holidays;  // the saved holidays' dates (Date values)
  int cycleStartDay = kDefaultCycleStartDay;
};

// The live conditions, the first HolidayCount (at most 190) holidays and the main
// record of files. Records that cannot be read come back as zeros (empty slots, no
// holidays).
TariffSettings readTariffSettings(const store::DataFiles& files, int cycleStartDay);

// The local wall clock of a time zone: which Date value (days since 1899-12-30, the
// fraction the time of day) a moment shows, and on which local day it falls. The
// offset from UTC is kept between two transitions of the zone, so that most moments
// cost an addition. A clock is a value: copy it freely, but share one copy between
// threads only for reading its zone (the kept offset changes on use).
class LocalClock {
 public:
  // The system's zone (TZ, /etc/localtime) as it is when this is called.
  static LocalClock system();
  // A zone without changes, offsetSeconds east of UTC.
  static LocalClock fixed(int offsetSeconds);
  explicit LocalClock(const QTimeZone& zone);

  // Seconds east of UTC in force at t.
  int offsetAt(Epoch t) const;
  // Seconds since 1970-01-01 00:00 of the local wall clock at t.
  std::int64_t wallSeconds(Epoch t) const { return t + offsetAt(t); }
  // The wall clock at t as a Date value.
  double dateValue(Epoch t) const { return dateValueOfWall(wallSeconds(t)); }
  // The Date value of a count of wall-clock seconds since 1970-01-01 00:00.
  static double dateValueOfWall(std::int64_t wallSeconds);
  // The local calendar day of t.
  QDate localDate(Epoch t) const;
  // The first moment after t that falls on another local day than t: the next local
  // midnight, or the moment a clock change moves the wall clock over midnight.
  Epoch nextDayChange(Epoch t) const;
  // The moment the wall clock first shows date and time (to the second). A time the
  // clock skips (a spring-forward gap) gives the moment the gap ends; a time it shows
  // twice gives the first. Nothing for an invalid date or time.
  std::optional<Epoch> fromWallClock(const QDate& date, const QTime& time) const;

  const QTimeZone& zone() const { return zone_; }

 private:
  QTimeZone zone_;
  // The offset in force from keptFrom_ up to (not including) keptTo_.
  mutable Epoch keptFrom_ = 1;
  mutable Epoch keptTo_ = 0;
  mutable int keptOffset_ = 0;
};

struct PricedCall {
  std::vector<PricedUnit> units;  // every unit, in order
  std::vector<CallSlice> slices;  // consecutive units of one condition folded; a slice never crosses local midnight
  Epoch countFrom = 0;            // where counting started
  std::int64_t countedSeconds = 0, unpricedSeconds = 0;
  std::uint64_t received = 0, sent = 0;
  double cost = 0;
  double countdownUsed = 0;           // seconds to add to CdUsed
  std::optional<Epoch> countdownOut;  // the moment the countdown ran out in this call
};

class MeterState;

// The same pricing fed as the call runs (the live tracker). Time only moves forward:
// a moment before one already given counts as that one. Add each sample before
// advancing past its moment; one that comes later is still charged (to the unit
// then running), but units already laid are not judged again. finish() hands over
// the priced call; the meter is spent then (soFar() is empty, the rest does nothing).
class CallMeter {
 public:
  CallMeter(TariffSettings settings, CallHistory history, const LocalClock& clock, std::string connection,
            std::optional<Epoch> dialStart, Epoch up);
  ~CallMeter();
  CallMeter(CallMeter&&) noexcept;
  CallMeter& operator=(CallMeter&&) noexcept;
  CallMeter(const CallMeter&) = delete;
  CallMeter& operator=(const CallMeter&) = delete;

  void addSample(const ByteSample& s);     // counters as they come, cumulative
  void advanceTo(Epoch now);               // lays and prices every unit that has begun by now
  void reload(TariffSettings settings);    // new settings from the next unit on
  const PricedCall& soFar() const;
  PricedCall finish(Epoch end);

 private:
  std::unique_ptr<MeterState> state_;
};

PricedCall priceCall(const TariffSettings& settings, const CallInput& call, const CallHistory& history,
                     const LocalClock& clock = LocalClock::system());

// An amount as shown or stored: rounded to 1/100 000 of the currency. NaN and
// infinities are returned as they are.
double roundAmount(double amount);

// Totals of bytes without samples, spread evenly over [from, to): a cumulative sample
// at the end of every second, the last at `to` (at most kMaxCallSeconds of them, the
// totals reached by the last). None for an empty span.
std::vector<ByteSample> evenSamples(Epoch from, Epoch to, std::uint64_t received, std::uint64_t sent);

}  // namespace prandel::core
