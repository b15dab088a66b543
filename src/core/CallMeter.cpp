// SPDX-License-Identifier: GPL-3.0-or-later
// The meter walks a call's time forward once: it lays each unit at its first second
// (judged with the counters as they stand then), then accounts the seconds that pass
// inside it (counted time, the countdown, the slices) and the bytes whose moment
// falls in it. Events at one moment come in a fixed order (a day change, then the
// unit that begins, then the samples), so that feeding the meter all at once or a
// second at a time walks the same steps and adds the same amounts in the same order.
#include <QString>
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

#include "core/ConditionMatching.h"
#include "core/Pricing.h"
#include "core/TariffRules.h"

namespace prandel::core {
namespace {

constexpr int kSlots = store::ExpenseCondition::Slots;
constexpr std::int64_t kDay = 86400;
// Moments are held within the years a Date can show: 0001-01-01 to 9999-12-31.
constexpr Epoch kFirstMoment = -62135596800;
constexpr Epoch kLastMoment = 253402300799;
constexpr Epoch kNever = std::numeric_limits<Epoch>::max();
// What a counter of the history may hold; more is taken for a fault of the log.
constexpr std::int64_t kMaxCount = 1'000'000'000'000'000;

Epoch sane(Epoch t) { return std::clamp(t, kFirstMoment, kLastMoment); }

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t saneCount(std::int64_t n) { return std::clamp<std::int64_t>(n, 0, kMaxCount); }
double saneCost(double v) { return std::isfinite(v) ? v : 0; }

CallHistory saneHistory(CallHistory h) {
  h.daySeconds = saneCount(h.daySeconds);
  h.dayCalls = saneCount(h.dayCalls);
  h.cycleSeconds = saneCount(h.cycleSeconds);
  h.cycleCalls = saneCount(h.cycleCalls);
  h.cycleCost = saneCost(h.cycleCost);
  return h;
}

// Bytes of one sample's growth, at the moment they are charged.
struct Bytes {
  Epoch at = 0;
  std::uint64_t received = 0, sent = 0;
};

std::uint64_t growth(std::uint64_t now, std::uint64_t before) {
  // A counter that went down was reset: it counts again from zero.
  return now >= before ? now - before : now;
}

}  // namespace

class MeterState {
 public:
  MeterState(TariffSettings settings, CallHistory history, const LocalClock& clock, const std::string& connection,
             std::optional<Epoch> dialStart, Epoch up);

  void addSample(const ByteSample& s);
  void advanceTo(Epoch now);
  void reload(TariffSettings settings);
  PricedCall finish(Epoch end);

  PricedCall result;

 private:
  void load(TariffSettings settings);
  void cover(Epoch to);
  void coverSpan(Epoch a, Epoch b);
  void changeDay();
  void takeBytes(const Bytes& b);
  void layUnit();
  CallCounters counters() const;
  int conditionAt(Epoch u, const CallCounters& k);
  bool countdownRuns() const { return call_.countdownOn && call_.countdownLeft - cdUsedSinceLoad_ > 0; }
  void addCharge(double amount);
  void publishCharge();

  TariffSettings settings_;
  CallHistory history_;
  LocalClock clock_;
  QString connection_;
  std::optional<ConditionMatcher> matcher_;
  std::array<SlotRule, kSlots + 1> rules_{};
  CallRules call_;

  Epoch up_ = 0;
  Epoch limit_ = 0;      // no unit begins here or later
  Epoch advanced_ = 0;   // the latest moment given
  Epoch covered_ = 0;    // time is accounted up to here
  Epoch nextStart_ = 0;  // where the next unit begins
  bool finished_ = false;

  // The last unit: its rule, whether it counts time, and its charge without the
  // ISP part of a unit that lasts the rest of the call (worked out from its length
  // each time, never summed a second at a time).
  SlotRule lastRule_;
  bool lastCounting_ = true;
  bool lastIsRest_ = false;
  double restIspPerHour_ = 0;
  double liveIsp_ = 0;
  double unitBase_ = 0, sliceBase_ = 0, costBase_ = 0;
  std::size_t chargeSlice_ = 0;  // the slice that holds the last unit's first second
  std::int64_t sliceDay_ = 0;    // the local day of the last slice

  // The condition candidates of the current wall-clock minute.
  std::int64_t minuteKey_ = std::numeric_limits<std::int64_t>::min();
  ConditionMatch minuteMatch_;

  // The local day and the billing cycle the time now covered is in, and what this
  // call has added to each since it began in them.
  std::int64_t dayIndex_ = 0;
  Epoch nextDay_ = kNever;
  bool firstDay_ = true, firstCycle_ = true;
  QDate cycleStart_;
  std::int64_t dayCounted_ = 0, cycleCounted_ = 0;
  double cycleCost_ = 0;
  std::uint64_t cycleReceived_ = 0, cycleSent_ = 0;

  double cdUsedSinceLoad_ = 0;
  std::array<bool, kSlots + 1> onceCharged_{};

  bool haveSample_ = false;
  std::uint64_t lastReceived_ = 0, lastSent_ = 0;
  std::deque<Bytes> pending_;  // bytes whose moment is not covered yet, in time order
};

MeterState::MeterState(TariffSettings settings, CallHistory history, const LocalClock& clock,
                       const std::string& connection, std::optional<Epoch> dialStart, Epoch up)
    : history_(saneHistory(history)), clock_(clock), connection_(QString::fromStdString(connection)), up_(sane(up)) {
  load(std::move(settings));
  // Where counting starts: "After Making Call" from the dial start (or DialSeconds
  // before the link came up); else, and where the dial start is unknown or after
  // the link came up, at the link.
  Epoch from = up_;
  if (call_.callStart == 0) {
    if (call_.addDialTime) from = up_ - call_.dialSeconds;
    else if (dialStart && sane(*dialStart) < up_) from = sane(*dialStart);
  }
  result.countFrom = from;
  limit_ = from + kMaxCallSeconds;
  advanced_ = covered_ = nextStart_ = from;
  dayIndex_ = sliceDay_ = floorDiv(clock_.wallSeconds(from), kDay);
  nextDay_ = clock_.nextDayChange(from);
  cycleStart_ = cycleStartOf(clock_.localDate(from), settings_.cycleStartDay);
}

void MeterState::load(TariffSettings settings) {
  settings_ = std::move(settings);
  // The tracker's own matching: no connection chosen, the call's connection in use.
  matcher_.emplace(settings_.conditions, settings_.holidays, settings_.main, QString(), connection_);
  for (int i = 1; i <= kSlots; ++i)
    rules_[static_cast<std::size_t>(i)] = slotRule(settings_.conditions[static_cast<std::size_t>(i - 1)], settings_.main);
  call_ = callRules(settings_.main);
  minuteKey_ = std::numeric_limits<std::int64_t>::min();
  cdUsedSinceLoad_ = 0;
}

void MeterState::reload(TariffSettings settings) {
  if (finished_) return;
  load(std::move(settings));
}

void MeterState::addSample(const ByteSample& s) {
  if (finished_) return;
  Bytes b;
  b.received = haveSample_ ? growth(s.received, lastReceived_) : s.received;
  b.sent = haveSample_ ? growth(s.sent, lastSent_) : s.sent;
  haveSample_ = true;
  lastReceived_ = s.received;
  lastSent_ = s.sent;
  if (b.received == 0 && b.sent == 0) return;
  // Bytes before counting started belong to the first unit.
  b.at = std::max(sane(s.at), result.countFrom);
  if (b.at < covered_) {
    takeBytes(b);  // late: to the unit now running
    return;
  }
  auto at = pending_.end();
  while (at != pending_.begin() && std::prev(at)->at > b.at) --at;
  pending_.insert(at, b);
}

void MeterState::advanceTo(Epoch now) {
  if (finished_) return;
  now = sane(now);
  if (now <= advanced_) return;
  advanced_ = now;
  const Epoch target = std::min(now, limit_);
  // A unit has begun once its first second has.
  while (nextStart_ < target) {
    cover(nextStart_);
    layUnit();
  }
  cover(target);
}

PricedCall MeterState::finish(Epoch end) {
  if (finished_) return {};
  // A call that ends before the link came up (or before a moment already given)
  // ends there.
  advanceTo(std::max(sane(end), up_));
  // Bytes after the end, or after the longest span priced, go to the last unit.
  for (const Bytes& b : pending_) takeBytes(b);
  pending_.clear();
  finished_ = true;
  return std::move(result);
}

// --- Time --------------------------------------------------------------------------

void MeterState::cover(Epoch to) {
  for (;;) {
    // At one moment: the day changes first, then the bytes of that moment (those of
    // `to` wait for the unit that begins there).
    if (nextDay_ <= covered_) {
      changeDay();
      continue;
    }
    if (!pending_.empty() && pending_.front().at <= covered_ && pending_.front().at < to) {
      takeBytes(pending_.front());
      pending_.pop_front();
      continue;
    }
    if (covered_ >= to) return;
    Epoch stop = std::min(to, nextDay_);
    if (!pending_.empty()) stop = std::min(stop, pending_.front().at);
    coverSpan(covered_, stop);
    covered_ = stop;
  }
}

void MeterState::coverSpan(Epoch a, Epoch b) {
  if (result.units.empty() || b <= a) return;
  const std::int64_t n = b - a;
  PricedUnit& unit = result.units.back();
  unit.to = b;
  if (lastCounting_) {
    result.countedSeconds += n;
    dayCounted_ += n;
    cycleCounted_ += n;
  }
  if (unit.slot == 0) result.unpricedSeconds += n;
  if (lastCounting_ && call_.countdownOn && (!call_.countdownActiveOnly || unit.slot != 0)) {
    const double left = call_.countdownLeft - cdUsedSinceLoad_;
    if (left > 0 && left <= static_cast<double>(n)) result.countdownOut = a + static_cast<Epoch>(std::ceil(left));
    cdUsedSinceLoad_ += static_cast<double>(n);
    result.countdownUsed += static_cast<double>(n);
  }
  CallSlice& slice = result.slices.back();
  if (sliceDay_ == dayIndex_ && slice.slot == unit.slot && slice.to == a) {
    slice.to = b;
  } else {
    // The unit goes on past midnight: a slice of its own for the new day.
    result.slices.push_back(CallSlice{a, b, unit.slot, 0, 0});
    sliceDay_ = dayIndex_;
  }
  if (lastIsRest_) {
    unit.length = b - unit.from;
    liveIsp_ = restIspPerHour_ * static_cast<double>(unit.length) / 3600.0;
    publishCharge();
  }
}

void MeterState::changeDay() {
  const Epoch at = nextDay_;
  dayIndex_ = floorDiv(clock_.wallSeconds(at), kDay);
  firstDay_ = false;
  dayCounted_ = 0;
  const QDate start = cycleStartOf(clock_.localDate(at), settings_.cycleStartDay);
  if (start != cycleStart_) {
    cycleStart_ = start;
    firstCycle_ = false;
    cycleCounted_ = 0;
    cycleCost_ = 0;
    cycleReceived_ = cycleSent_ = 0;
  }
  nextDay_ = clock_.nextDayChange(at);
}

// --- Units and charges -------------------------------------------------------------

CallCounters MeterState::counters() const {
  CallCounters k;
  k.callSeconds = result.countedSeconds;
  k.daySeconds = (firstDay_ ? history_.daySeconds : 0) + dayCounted_;
  k.cycleSeconds = (firstCycle_ ? history_.cycleSeconds : 0) + cycleCounted_;
  k.callCost = result.cost;
  k.cycleCost = (firstCycle_ ? history_.cycleCost : 0) + cycleCost_;
  // The call counts on every day and in every cycle it runs in.
  k.dayCalls = (firstDay_ ? history_.dayCalls : 0) + 1;
  k.cycleCalls = (firstCycle_ ? history_.cycleCalls : 0) + 1;
  k.countdownLeft = call_.countdownLeft - cdUsedSinceLoad_;
  k.callReceived = result.received;
  k.callSent = result.sent;
  k.cycleReceived = (firstCycle_ ? history_.cycleReceived : 0) + cycleReceived_;
  k.cycleSent = (firstCycle_ ? history_.cycleSent : 0) + cycleSent_;
  return k;
}

int MeterState::conditionAt(Epoch u, const CallCounters& k) {
  // The matching works in whole minutes of the wall clock: its candidates hold for
  // every second of one.
  const std::int64_t minute = floorDiv(clock_.wallSeconds(u), 60);
  if (minute != minuteKey_) {
    minuteKey_ = minute;
    minuteMatch_ = matcher_->match(LocalClock::dateValueOfWall(minute * 60), CountdownHold::Off);
  }
  const bool hold = countdownRuns();
  int best = 0, winner = 0;
  for (int i = 1; i <= kSlots; ++i) {
    const auto s = static_cast<std::size_t>(i);
    const int score = minuteMatch_.scores[s];
    // Ties go to the lower slot.
    if (score <= best) continue;
    if (hold && matcher_->heldByCountdown(i)) continue;
    if (!filterHolds(rules_[s], k)) continue;
    best = score;
    winner = i;
  }
  return winner;
}

void MeterState::layUnit() {
  const Epoch u = nextStart_;
  const CallCounters k = counters();
  const int slot = conditionAt(u, k);
  const bool first = result.units.empty();
  const bool counting = call_.callStart != 2;
  const SlotRule& rule = rules_[static_cast<std::size_t>(slot)];

  std::int64_t length = 1;
  double charge = 0;
  double ispPerHour = 0;
  if (slot != 0) length = first && rule.inTime > 0 ? rule.inTime : rule.unitLength;
  // Per Call without a length lasts the rest of the call.
  const bool rest = length == 0;
  if (slot != 0) {
    const double hours = static_cast<double>(length) / 3600.0;
    switch (rule.kind) {
      case AmountKind::PerHour:
        if (counting) charge = first && rule.inCall ? rule.inCallAmt : rule.amt * hours;
        break;
      case AmountKind::PerCall:
        if (!counting) break;
        charge = first && rule.inCall ? rule.inCallAmt : rule.amt;
        ispPerHour = rule.isp ? rule.ispAmt : 0;
        if (!rest) charge += ispPerHour * hours;
        break;
      case AmountKind::OnlyAtOnce:
        if (!onceCharged_[static_cast<std::size_t>(slot)]) charge = rule.amt;
        onceCharged_[static_cast<std::size_t>(slot)] = true;
        break;
      case AmountKind::PerMB: break;
    }
  }
  result.units.push_back(PricedUnit{u, u, slot, rest ? 0 : length, 0, k});
  if (result.slices.empty() || result.slices.back().slot != slot || sliceDay_ != dayIndex_) {
    result.slices.push_back(CallSlice{u, u, slot, 1, 0});
    sliceDay_ = dayIndex_;
  } else {
    ++result.slices.back().units;
  }
  chargeSlice_ = result.slices.size() - 1;
  lastRule_ = rule;
  lastCounting_ = counting;
  lastIsRest_ = rest;
  restIspPerHour_ = ispPerHour;
  liveIsp_ = 0;
  unitBase_ = 0;
  sliceBase_ = result.slices[chargeSlice_].charge;
  costBase_ = result.cost;
  addCharge(charge);
  nextStart_ = rest ? kNever : u + length;
}

void MeterState::takeBytes(const Bytes& b) {
  result.received += b.received;
  result.sent += b.sent;
  cycleReceived_ += b.received;
  cycleSent_ += b.sent;
  if (result.units.empty() || result.units.back().slot == 0 || lastRule_.kind != AmountKind::PerMB) return;
  const double bytes = (lastRule_.countReceived ? static_cast<double>(b.received) : 0.0) +
                       (lastRule_.countSent ? static_cast<double>(b.sent) : 0.0);
  addCharge(bytes * lastRule_.amt / kBytesPerMB);
}

void MeterState::addCharge(double amount) {
  if (amount == 0) return;
  unitBase_ += amount;
  sliceBase_ += amount;
  costBase_ += amount;
  cycleCost_ += amount;
  publishCharge();
}

void MeterState::publishCharge() {
  result.units.back().charge = unitBase_ + liveIsp_;
  result.slices[chargeSlice_].charge = sliceBase_ + liveIsp_;
  result.cost = costBase_ + liveIsp_;
}

// --- CallMeter ---------------------------------------------------------------------

CallMeter::CallMeter(TariffSettings settings, CallHistory history, const LocalClock& clock, std::string connection,
                     std::optional<Epoch> dialStart, Epoch up)
    : state_(std::make_unique<MeterState>(std::move(settings), history, clock, connection, dialStart, up)) {}
CallMeter::~CallMeter() = default;
CallMeter::CallMeter(CallMeter&&) noexcept = default;
CallMeter& CallMeter::operator=(CallMeter&&) noexcept = default;

void CallMeter::addSample(const ByteSample& s) { state_->addSample(s); }
void CallMeter::advanceTo(Epoch now) { state_->advanceTo(now); }
void CallMeter::reload(TariffSettings settings) { state_->reload(std::move(settings)); }
const PricedCall& CallMeter::soFar() const { return state_->result; }
PricedCall CallMeter::finish(Epoch end) { return state_->finish(end); }

}  // namespace prandel::core
