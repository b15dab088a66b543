// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the pricing reads from a condition and the call settings, once per reading,
// with every value a file may hold made harmless: amounts that are no number or below
// 0 are 0, durations are whole seconds within the longest call, unknown kinds take
// the kind the expense window would show.
#include <array>
#include <cstdint>

#include "core/CallTypes.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel::core {

// The largest amount charged as it is; above it an amount counts as this much, so
// that a total stays a finite number.
inline constexpr double kMaxAmount = 1e12;

enum class AmountKind { PerHour, PerCall, OnlyAtOnce, PerMB };

// One condition as the pricing uses it.
struct SlotRule {
  AmountKind kind = AmountKind::PerHour;
  double amt = 0;
  // The initial call (time-based kinds only: the expense window offers it for no other).
  bool inCall = false;
  double inCallAmt = 0;
  std::int64_t inTime = 0;  // seconds of the call's first unit; 0 none
  std::int64_t unitLength = 1;  // seconds; 0 (Per Call only) the rest of the call
  // Per Call: the other ISP charges, per hour.
  bool isp = false;
  double ispAmt = 0;
  // Per MB: which bytes count.
  bool countReceived = true, countSent = true;
  // The filter: CondItem 1..14, else none.
  int filterItem = 0;
  int filterCmp = 0;
  double filterVal = 0;
};

// The call settings as the pricing uses them.
struct CallRules {
  int callStart = 1;          // 0 after making the call, 1 after connection, 2 never
  bool addDialTime = false;
  std::int64_t dialSeconds = 0;
  bool countdownOn = false;
  bool countdownActiveOnly = false;
  double countdownLeft = 0;   // CdTotal - CdUsed as read
};

// An amount as charged.
double chargeable(double amount);
// A Date that holds a duration, in whole seconds, 0 .. kMaxCallSeconds.
std::int64_t durationSeconds(double date);

SlotRule slotRule(const store::ExpenseCondition& c, const store::MainRecord& main);
CallRules callRules(const store::MainRecord& main);

// Whether a filter holds with these counters; a condition without one always holds.
bool filterHolds(const SlotRule& rule, const CallCounters& counters);

}  // namespace prandel::core
