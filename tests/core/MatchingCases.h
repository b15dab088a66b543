// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cases of the condition matching's tests: conditions built the way the expense
// window stores them, moments around Christmas 2024, the records written into a data
// folder's working slots and holidays, and random rules for the comparisons with the
// literal reading (LiteralMatching.h).
#include <QDate>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <random>
#include <vector>

#include "core/Regional.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"

namespace prandel::test::matching {

using store::ExpenseCondition;
using store::HolidayRecord;

inline const QLocale kEnUs(QLocale::English, QLocale::UnitedStates);
inline const QString kDefault = QStringLiteral("MILUFE");

inline double dayOf(int y, int m, int d) { return Regional::fromDate(QDate(y, m, d)); }
inline double hm(int h, int m, double s = 0) { return (h * 3600 + m * 60 + s) / 86400.0; }
// 22 December 2024 is a Sunday; 25 December a Wednesday, 28 December a Saturday.
inline double dec(int d, int h = 0, int m = 0, double s = 0) { return dayOf(2024, 12, d) + hm(h, m, s); }
inline constexpr int kSun = 22, kMon = 23, kTue = 24, kWed = 25, kThu = 26, kSat = 28;

// A condition built the way the expense window stores one.
struct Cond {
  ExpenseCondition c;
  Cond() = default;  // an empty slot
  Cond(std::uint8_t perType, std::uint8_t perNum = 0) {
    c.InUse = true;
    c.PerType = perType;
    c.PerNum = perNum;
  }
  Cond& between(double a, double b) { return time(1, a, b); }
  Cond& before(double a) { return time(2, a, 0); }
  Cond& after(double a) { return time(3, a, 0); }
  Cond& time(std::uint8_t kind, double a, double b) {
    c.TimeType = kind;
    c.TimeStart = a;
    c.TimeEnd = b;
    return *this;
  }
  Cond& bound(const char* name) {
    c.ConVal = true;
    c.ConNm = name;
    return *this;
  }
};
inline Cond every() { return Cond(0); }
inline Cond weekday(std::uint8_t n) { return Cond(1, n); }
inline Cond month(std::uint8_t n) { return Cond(2, n); }
inline Cond range(double a, double b) {
  Cond x(3);
  x.c.PerStart = a;
  x.c.PerEnd = b;
  return x;
}
inline Cond holidays() { return Cond(4); }
inline Cond monFri() { return Cond(5); }
inline Cond weekend() { return Cond(6); }
inline Cond weekly(int start, int end, bool inclHoli = false) {
  Cond x(7);
  x.c.WkStart = static_cast<std::int16_t>(start);
  x.c.WkEnd = static_cast<std::int16_t>(end);
  x.c.InclHoli = inclHoli;
  return x;
}

// The conditions into working slots 1, 2, ...
inline void writeConditions(store::DataFiles& files, const std::vector<Cond>& conds) {
  for (std::size_t i = 0; i < conds.size(); ++i)
    store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + 1 + static_cast<int>(i),
                       conds[i].c);
}

// The holidays into their records, and their count into main.
inline void writeHolidays(store::DataFiles& files, store::MainRecord& main, const std::vector<double>& dates) {
  for (std::size_t k = 0; k < dates.size(); ++k) {
    HolidayRecord r;
    r.HoliDate = dates[k];
    store::writeRecord(files, HolidayRecord::Channel, HolidayRecord::Base + 1 + static_cast<int>(k), r);
  }
  main.HolidayCount = static_cast<std::int16_t>(dates.size());
}

// Random rules into kit: up to 20 conditions of every kind, sometimes an empty slot
// among them, holidays around Christmas 2024, a weekly day off and the countdown.
template <class Kit>
void randomRecords(Kit& kit, std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto timeOfDay = [&]() {
    // Whole minutes mostly; sometimes seconds or a hair off, which the cut must absorb.
    double t = hm(pick(24), pick(60));
    if (pick(4) == 0) t += pick(60) / 86400.0;
    if (pick(8) == 0) t -= 1e-9;
    return t;
  };
  const char* names[] = {"ISP A", "ISP B", "MILUFE"};
  std::vector<Cond> conds;
  for (int i = 1 + pick(20); i > 0; --i) {
    Cond c(static_cast<std::uint8_t>(pick(9)), static_cast<std::uint8_t>(pick(13)));
    c.time(static_cast<std::uint8_t>(pick(5)), timeOfDay(), timeOfDay());
    c.c.PerStart = dec(1 + pick(31));
    c.c.PerEnd = c.c.PerStart + pick(10);
    c.c.WkStart = static_cast<std::int16_t>(pick(10080));
    c.c.WkEnd = static_cast<std::int16_t>(pick(10080));
    c.c.InclHoli = pick(2) == 0;
    if (pick(3) == 0) c.bound(names[pick(3)]);
    conds.push_back(c);
  }
  if (pick(3) == 0) conds.insert(conds.begin() + pick(static_cast<int>(conds.size()) + 1), Cond());
  kit.conditions(conds);
  std::vector<double> hol;
  for (int k = pick(20); k > 0; --k) hol.push_back(dec(15 + pick(20)) + (pick(2) ? hm(pick(24), 0) : 0));
  kit.holidayList(hol);
  kit.s.MainRec.WeekOff[static_cast<std::size_t>(pick(7))] = pick(2) == 0;
  kit.s.MainRec.CdEnabled = pick(2) == 0;
  kit.s.MainRec.CdExpenseMode = static_cast<std::int16_t>(pick(3));
  for (auto& on : kit.s.MainRec.CdCondOn) on = pick(2) == 0;
}

}  // namespace prandel::test::matching
