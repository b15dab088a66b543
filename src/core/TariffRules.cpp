// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TariffRules.h"

#include <cmath>

#include "core/Pricing.h"

namespace prandel::core {

double chargeable(double amount) {
  if (!(amount > 0)) return 0;  // NaN, negative, 0
  return amount < kMaxAmount ? amount : kMaxAmount;
}

std::int64_t durationSeconds(double date) {
  const double secs = date * 86400.0;
  if (!(secs > 0)) return 0;
  if (secs >= static_cast<double>(kMaxCallSeconds)) return kMaxCallSeconds;
  return std::llround(secs);
}

SlotRule slotRule(const store::ExpenseCondition& c, const store::MainRecord& main) {
  SlotRule r;
  // As the expense window reads the kind back.
  r.kind = c.AmtKind == 2 ? AmountKind::OnlyAtOnce
           : c.AmtKind == 3 ? AmountKind::PerMB
           : c.PerCall      ? AmountKind::PerCall
                            : AmountKind::PerHour;
  r.amt = chargeable(c.Amt);
  const bool timeBased = r.kind == AmountKind::PerHour || r.kind == AmountKind::PerCall;
  if (timeBased) {
    r.inCall = c.InCall;
    r.inCallAmt = chargeable(c.InCallAmt);
    r.inTime = c.InTimeOn ? durationSeconds(c.InTime) : 0;
  }
  const std::int64_t inc = durationSeconds(main.IncTime);
  switch (r.kind) {
    case AmountKind::PerHour: r.unitLength = inc > 0 ? inc : 1; break;
    case AmountKind::PerCall:
      r.unitLength = c.CustCall ? durationSeconds(c.CallTime) : inc;
      r.isp = c.IspOn == 12;
      r.ispAmt = r.isp ? chargeable(c.IspAmt) : 0;
      break;
    case AmountKind::OnlyAtOnce: r.unitLength = 1; break;
    case AmountKind::PerMB:
      r.unitLength = 1;
      r.countReceived = c.BwMode != 2;
      r.countSent = c.BwMode != 1;
      break;
  }
  if (c.CondItem >= 1 && c.CondItem <= 14) {
    r.filterItem = c.CondItem;
    r.filterCmp = c.CondCmp;
    r.filterVal = c.CondVal;
  }
  return r;
}

CallRules callRules(const store::MainRecord& main) {
  CallRules r;
  // A value the call settings window cannot show counts as its default, After Connection.
  r.callStart = main.CallStart >= 0 && main.CallStart <= 2 ? main.CallStart : 1;
  r.addDialTime = main.AddDialTime != 0;
  r.dialSeconds = main.DialSeconds;
  r.countdownOn = main.CdEnabled;
  r.countdownActiveOnly = main.CdActiveOnly != 0;
  r.countdownLeft = main.CdTotal - main.CdUsed;
  return r;
}

namespace {

double megabytes(std::uint64_t bytes) { return static_cast<double>(bytes) / kBytesPerMB; }

double counterValue(int item, const CallCounters& k) {
  switch (item) {
    case 1: return static_cast<double>(k.callSeconds);
    case 2: return static_cast<double>(k.daySeconds);
    case 3: return static_cast<double>(k.cycleSeconds);
    // Amounts as they would be shown, so that the sum of many small charges that
    // makes 1.20 compares equal to 1.20.
    case 4: return roundAmount(k.callCost);
    case 5: return roundAmount(k.cycleCost);
    case 6: return static_cast<double>(k.dayCalls);
    case 7: return static_cast<double>(k.cycleCalls);
    case 8: return k.countdownLeft;
    case 9: return megabytes(k.callReceived) + megabytes(k.callSent);
    case 10: return megabytes(k.cycleReceived) + megabytes(k.cycleSent);
    case 11: return megabytes(k.callSent);
    case 12: return megabytes(k.cycleSent);
    case 13: return megabytes(k.callReceived);
    case 14: return megabytes(k.cycleReceived);
    default: return std::nan("");
  }
}

}  // namespace

bool filterHolds(const SlotRule& rule, const CallCounters& counters) {
  if (rule.filterItem == 0) return true;
  const double v = counterValue(rule.filterItem, counters);
  const double x = rule.filterVal;
  // A value that is no number compares as false, "does not equal" too.
  if (std::isnan(v) || std::isnan(x)) return false;
  switch (rule.filterCmp) {
    case 0: return v == x;
    case 1: return v != x;
    case 2: return v > x;
    case 3: return v >= x;
    case 4: return v < x;
    case 5: return v <= x;
    default: return false;
  }
}

}  // namespace prandel::core
