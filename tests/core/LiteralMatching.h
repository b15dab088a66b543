// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The condition matching read word for word: one record read per condition and per
// holiday into the module's buffers, days compared as "DD-MM-YYYY" texts, times cut
// to minutes by formatting them as the short time and reading them back. Slow, but
// plainly right; the tests hold the real matching against it and the benchmark
// measures it. Two things are not literal: HolidayCount is held to 0..190, as
// everywhere else, and the connection's first 20 characters lose their outer blanks
// as the stored name does.
//
// It works on anything that holds the old module's variables under their names: the
// editor state (ui/EditorState.h), or the Module below on a data folder of a test.
#include <algorithm>
#include <array>
#include <cmath>

#include "core/ConditionMatching.h"
#include "core/Regional.h"
#include "store/Codec.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"

namespace prandel::literal {

// The old module's variables that the matching reads and writes.
struct Module {
  Module(const store::DataFiles& f, const Regional& r) : files(f), regional(r) {}
  const store::DataFiles& files;
  const Regional& regional;
  store::MainRecord MainRec;
  store::ExpenseCondition CondRec;
  store::HolidayRecord HoliRec;
  double EvalMoment = 0;
  QString EvalConn;
  QString CurConn;
  std::int32_t MinuteOfWeek = 0;
  std::int32_t CondCount = 0;
};

template <class M>
bool IsHoliday(M& s) {
  const int wd = Regional::weekday(s.EvalMoment);
  for (int d = 0; d <= 6; ++d)
    if (s.MainRec.WeekOff[static_cast<std::size_t>(d)] && wd - 1 == d) return true;
  const QString want = s.regional.formatDate(s.EvalMoment, QStringLiteral("DD-MM-YYYY"));
  const int count = std::clamp<int>(s.MainRec.HolidayCount, 0, kMaxHolidays);
  for (int i = 1; i <= count; ++i) {
    store::readRecord(s.files, store::HolidayRecord::Channel, store::HolidayRecord::Base + i, s.HoliRec);
    const QString got = s.regional.formatDate(s.HoliRec.HoliDate, QStringLiteral("DD-MM-YYYY"));
    if (!got.isEmpty() && got == want) return true;
  }
  return false;
}

// Whole minutes of a time of day, read back from its short time text; -1 if none.
template <class M>
int shortTimeMinutes(M& s, double v) {
  const auto t = s.regional.parseTime(s.regional.formatDate(v, QStringLiteral("Short Time")));
  if (!t) return -1;
  return static_cast<int>(std::lround(*t * 1440.0));
}

template <class M>
int Check_Period(M& s, std::uint8_t nType, std::uint8_t nNum, double nsDate, double neDate) {
  const int wd = Regional::weekday(s.EvalMoment);
  switch (nType) {
    case 0: return 128;
    case 1: return wd == nNum + 1 ? 1536 : 0;
    case 2: {
      const auto d = Regional::datePart(s.EvalMoment);
      return d && d->month() == nNum + 1 ? 256 : 0;
    }
    case 3: {
      const auto day = s.regional.parseDate(s.regional.formatDate(s.EvalMoment, QStringLiteral("Short Date")));
      return day && *day >= nsDate && *day <= neDate ? 512 : 0;
    }
    case 4: return literal::IsHoliday(s) ? 2048 : 0;
    case 5: return wd >= 2 && wd <= 6 ? 196 : 0;
    case 6: return wd == 1 || wd == 7 ? 1024 : 0;
    case 7: {
      int score = 0;
      const auto t = Regional::timePart(s.EvalMoment);
      if (wd >= 1 && t) {
        s.MinuteOfWeek = (wd - 1) * 1440 + t->hour() * 60 + t->minute();
        const int m = s.MinuteOfWeek, a = s.CondRec.WkStart, b = s.CondRec.WkEnd;
        if (a <= b ? (a <= m && m < b) : (m >= a || m < b)) score = 1024;
      }
      if (s.CondRec.InclHoli && literal::IsHoliday(s)) score = 3072;
      return score;
    }
    default: return 0;
  }
}

template <class M>
int Check_Time(M& s, std::uint8_t timeType, double timeStart, double timeEnd) {
  if (s.CondRec.PerType == 7) return 1;
  if (timeType == 0) return 2;
  const int m = shortTimeMinutes(s, s.EvalMoment);
  const int a = shortTimeMinutes(s, timeStart);
  const int b = shortTimeMinutes(s, timeEnd);
  if (m < 0) return 0;
  switch (timeType) {
    case 1:
      if (a < 0 || b < 0) return 0;
      return (a <= b ? (a <= m && m < b) : (m >= a || m < b)) ? 8 : 0;
    case 2: return a >= 0 && m < a ? 4 : 0;
    case 3: return a >= 0 && m >= a ? 4 : 0;
    default: return 0;
  }
}

template <class M>
int GetActiveCondition(M& s, int base) {
  std::array<bool, 21> on{};
  std::array<int, 21> score{};
  int last = -1;
  auto first20 = [](const QString& name) { return QString::fromStdString(store::trimSpaces(name.left(20).toStdString())); };
  const QString cur = first20(s.CurConn);
  const QString evalConn = first20(s.EvalConn);
  for (int i = 1; i <= 20; ++i) {
    store::readRecord(s.files, store::ExpenseCondition::Channel, base + i, s.CondRec);
    on[i] = s.CondRec.InUse;
    if (!s.CondRec.InUse && last < 0) last = i - 1;
    if (!s.CondRec.InUse) continue;
    const QString name = QString::fromStdString(store::trimSpaces(s.CondRec.ConNm));
    if (s.EvalConn.isEmpty()) on[i] = !(s.CondRec.ConVal && name != cur);
    else if (s.EvalConn == QStringLiteral("MILUFE")) on[i] = !(s.CondRec.ConVal && name != QStringLiteral("MILUFE"));
    else on[i] = s.CondRec.ConVal && name == evalConn;
  }
  if (last < 0) last = 20;
  if (s.EvalConn.isEmpty() && s.MainRec.CdEnabled) {
    for (int i = 1; i <= last; ++i) {
      if (s.MainRec.CdExpenseMode == 1) on[i] = false;
      if (s.MainRec.CdExpenseMode == 2 && !s.MainRec.CdCondOn[static_cast<std::size_t>(i)]) on[i] = false;
    }
  }
  for (int i = 1; i <= last; ++i) {
    store::readRecord(s.files, store::ExpenseCondition::Channel, base + i, s.CondRec);
    if (!on[i]) continue;
    const int p = literal::Check_Period(s, s.CondRec.PerType, s.CondRec.PerNum, s.CondRec.PerStart, s.CondRec.PerEnd);
    if (p < 1) {
      on[i] = false;
      continue;
    }
    const int t = literal::Check_Time(s, s.CondRec.TimeType, s.CondRec.TimeStart, s.CondRec.TimeEnd);
    if (t < 1) {
      on[i] = false;
      continue;
    }
    score[i] = p + t + (s.CondRec.ConVal ? 4096 : 0);
  }
  int best = 0, winner = 0;
  for (int i = 1; i <= last; ++i) {
    if (on[i] && score[i] > best) {
      best = score[i];
      winner = i;
    }
  }
  if (!s.EvalConn.isEmpty()) s.CondCount = last;
  return best >= 1 ? winner : 0;
}

}  // namespace prandel::literal
