// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small tariffs and calls for the pricing tests: conditions shaped in a line each,
// moments as wall-clock times of a zone (UTC unless a test names one), and checks
// that read a priced call back as the user would (units, slices, totals).
#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/Regional.h"
#include "core/Pricing.h"

namespace prandel::test {

using core::Epoch;
using store::ExpenseCondition;

// A moment shown by the wall clock of zone (to the second).
inline Epoch wallAt(const QTimeZone& zone, int y, int mo, int d, int h, int mi, int s = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s), zone).toSecsSinceEpoch();
}
// December 2026 in UTC: the 14th is a Monday.
inline Epoch dec(int d, int h, int mi, int s = 0) { return wallAt(QTimeZone::utc(), 2026, 12, d, h, mi, s); }

inline double timeOfDay(int h, int m, int s = 0) { return Regional::fromTime(h, m, s); }

using Shape = std::function<void(ExpenseCondition&)>;

// A condition in use, every day and the whole day unless shaped otherwise.
inline ExpenseCondition cond(std::initializer_list<Shape> shapes) {
  ExpenseCondition c;
  c.InUse = true;
  for (const auto& shape : shapes) shape(c);
  return c;
}

// Amount kinds.
inline Shape perHour(double amt) {
  return [=](ExpenseCondition& c) { c.Amt = amt; };
}
inline Shape perCall(double amt) {
  return [=](ExpenseCondition& c) {
    c.Amt = amt;
    c.PerCall = true;
  };
}
inline Shape onlyAtOnce(double amt) {
  return [=](ExpenseCondition& c) {
    c.Amt = amt;
    c.AmtKind = 2;
  };
}
inline Shape perMB(double amt, std::uint8_t bwMode = 0) {
  return [=](ExpenseCondition& c) {
    c.Amt = amt;
    c.AmtKind = 3;
    c.BwMode = bwMode;
  };
}
// Per Call extras.
inline Shape callTime(int h, int m, int s) {
  return [=](ExpenseCondition& c) {
    c.CustCall = true;
    c.CallTime = timeOfDay(h, m, s);
  };
}
inline Shape isp(double perHour, std::uint8_t on = 12) {
  return [=](ExpenseCondition& c) {
    c.IspOn = on;
    c.IspAmt = perHour;
  };
}
// The initial call.
inline Shape initialAmount(double amt) {
  return [=](ExpenseCondition& c) {
    c.InCall = true;
    c.InCallAmt = amt;
  };
}
inline Shape initialTime(int h, int m, int s) {
  return [=](ExpenseCondition& c) {
    c.InTimeOn = true;
    c.InTime = timeOfDay(h, m, s);
  };
}
// Periods and times of day.
inline Shape monFri() {
  return [](ExpenseCondition& c) { c.PerType = 5; };
}
inline Shape between(int h1, int m1, int h2, int m2) {
  return [=](ExpenseCondition& c) {
    c.TimeType = 1;
    c.TimeStart = timeOfDay(h1, m1);
    c.TimeEnd = timeOfDay(h2, m2);
  };
}
inline Shape before(int h, int m) {
  return [=](ExpenseCondition& c) {
    c.TimeType = 2;
    c.TimeStart = timeOfDay(h, m);
  };
}
inline Shape after(int h, int m) {
  return [=](ExpenseCondition& c) {
    c.TimeType = 3;
    c.TimeStart = timeOfDay(h, m);
  };
}
inline Shape boundTo(const char* name) {
  return [=](ExpenseCondition& c) {
    c.ConVal = true;
    c.ConNm = name;
  };
}
// The filter: counter CondItem, comparison CondCmp (0 =, 1 <>, 2 >, 3 >=, 4 <, 5 <=).
inline Shape filter(std::uint8_t item, std::uint8_t cmp, double value) {
  return [=](ExpenseCondition& c) {
    c.CondItem = item;
    c.CondCmp = cmp;
    c.CondVal = value;
  };
}
namespace cmp {
inline constexpr std::uint8_t Eq = 0, Ne = 1, Gt = 2, Ge = 3, Lt = 4, Le = 5;
}

// Settings: these conditions in slots 1.., After Connection, the given increment.
inline core::TariffSettings tariff(std::vector<ExpenseCondition> conds, double incTime = 0) {
  core::TariffSettings t;
  t.main.CallStart = 1;
  t.main.IncTime = incTime;
  for (std::size_t i = 0; i < conds.size() && i < t.conditions.size(); ++i) t.conditions[i] = conds[i];
  return t;
}

inline core::CallInput call(Epoch up, Epoch end, std::vector<core::ByteSample> samples = {}) {
  core::CallInput c;
  c.up = up;
  c.end = end;
  c.samples = std::move(samples);
  return c;
}

inline core::PricedCall price(const core::TariffSettings& t, const core::CallInput& c, const core::CallHistory& h = {},
                              const core::LocalClock& clock = core::LocalClock::fixed(0)) {
  return core::priceCall(t, c, h, clock);
}

// Amounts compare as they are shown and stored.
inline ::testing::AssertionResult sameAmount(double got, double want) {
  if (core::roundAmount(got) == core::roundAmount(want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << got << " is not " << want;
}

inline constexpr std::uint64_t MB = 1048576;

// A slice as a line: "from-to slot units charge", times as hh:mm:ss of UTC.
inline std::string sliceLine(const core::CallSlice& s, const QTimeZone& zone = QTimeZone::utc()) {
  const auto hms = [&](Epoch t) {
    return QDateTime::fromSecsSinceEpoch(t, zone).toString(QStringLiteral("HH:mm:ss")).toStdString();
  };
  char charge[32];
  std::snprintf(charge, sizeof charge, "%.5f", core::roundAmount(s.charge));
  return hms(s.from) + "-" + hms(s.to) + " #" + std::to_string(s.slot) + " x" + std::to_string(s.units) + " " + charge;
}

inline std::vector<std::string> sliceLines(const core::PricedCall& p, const QTimeZone& zone = QTimeZone::utc()) {
  std::vector<std::string> out;
  for (const auto& s : p.slices) out.push_back(sliceLine(s, zone));
  return out;
}

}  // namespace prandel::test
