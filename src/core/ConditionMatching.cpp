// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConditionMatching.h"

#include <QDate>
#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/Regional.h"
#include "store/Codec.h"
#include "store/Cp1252.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"

namespace prandel {
namespace {

using store::ExpenseCondition;
using store::HolidayRecord;
using CondOff = ExpenseCondition::Off;
using Cond = ConditionMatcher::Cond;

constexpr int kSlots = ExpenseCondition::Slots;
constexpr std::size_t kNameWidth = 20;

// The parts of a moment, after rounding to the second.
struct Moment {
  bool valid = false;
  std::int64_t julianDay = 0;
  int month = 0;
  int weekday = 0;  // 1 = Sunday .. 7 = Saturday
  double date = 0;  // midnight of its day
  int minuteOfDay = 0;
};

Moment momentOf(double v) {
  Moment m;
  const auto d = Regional::datePart(v);
  const auto t = Regional::timePart(v);
  if (!d || !t) return m;
  m.valid = true;
  m.julianDay = d->toJulianDay();
  m.month = d->month();
  m.weekday = d->dayOfWeek() % 7 + 1;
  m.date = Regional::fromDate(*d);
  m.minuteOfDay = t->hour() * 60 + t->minute();
  return m;
}

// A time of day cut to whole minutes (as the short time text read back); -1 if none.
int minuteOfDay(double v) {
  const auto t = Regional::timePart(v);
  return t ? t->hour() * 60 + t->minute() : -1;
}

// The days of the saved holidays, sorted, as Julian days: a holiday counts on the
// calendar day its value rounds into. A count beyond the records' capacity is not
// trusted, and records that cannot be read hold no holiday.
std::vector<std::int64_t> savedHolidayDays(const store::DataFiles& files, const store::MainRecord& main) {
  std::vector<std::int64_t> days;
  const int count = std::clamp<int>(main.HolidayCount, 0, kMaxHolidays);
  if (count == 0) return days;
  std::array<std::uint8_t, kMaxHolidays * HolidayRecord::Size> block{};
  const std::span<std::uint8_t> used(block.data(), static_cast<std::size_t>(count) * HolidayRecord::Size);
  if (!files.readRecords(HolidayRecord::Channel, HolidayRecord::Base + 1, count, used)) return days;
  for (int i = 0; i < count; ++i) {
    const auto rec = used.subspan(static_cast<std::size_t>(i) * HolidayRecord::Size, HolidayRecord::Size);
    if (const auto day = Regional::datePart(store::getDouble(rec, HolidayRecord::Off::HoliDate)))
      days.push_back(day->toJulianDay());
  }
  std::sort(days.begin(), days.end());
  return days;
}

bool holidayOn(const Moment& m, const std::array<bool, 7>& weekOff, const std::vector<std::int64_t>& days) {
  if (!m.valid) return false;
  if (weekOff[static_cast<std::size_t>(m.weekday - 1)]) return true;
  return std::binary_search(days.begin(), days.end(), m.julianDay);
}

// The score of a period; holiday() is asked at most when the kind needs it.
template <class IsHoliday>
int periodScore(const Moment& m, std::uint8_t type, std::uint8_t num, double start, double end, int wkStart,
                int wkEnd, bool inclHoli, IsHoliday holiday, int& minuteOfWeek) {
  using namespace periodscore;
  switch (type) {
    case 0: return EveryDay;
    case 1: return m.valid && m.weekday == num + 1 ? Weekday : 0;
    case 2: return m.valid && m.month == num + 1 ? Month : 0;
    case 3: return m.valid && start <= m.date && m.date <= end ? DateRange : 0;
    case 4: return holiday() ? Holiday : 0;
    case 5: return m.valid && m.weekday >= 2 && m.weekday <= 6 ? Weekdays : 0;
    case 6: return m.valid && (m.weekday == 1 || m.weekday == 7) ? Weekend : 0;
    case 7: {
      int score = 0;
      if (m.valid) {
        const int mow = (m.weekday - 1) * 1440 + m.minuteOfDay;
        minuteOfWeek = mow;
        const bool inside = wkStart <= wkEnd ? (wkStart <= mow && mow < wkEnd) : (mow >= wkStart || mow < wkEnd);
        if (inside) score = WeeklyPeriod;
      }
      if (inclHoli && holiday()) score = WeeklyOnHoliday;
      return score;
    }
    default: return 0;
  }
}

// The score of a time-of-day rule, with its times already cut to minutes.
int timeScore(const Moment& m, std::uint8_t perType, std::uint8_t type, int start, int end) {
  using namespace timescore;
  if (perType == 7) return InWeeklyPeriod;
  if (type == 0) return WholeDay;
  if (!m.valid || start < 0) return 0;
  const int t = m.minuteOfDay;
  switch (type) {
    case 1: {
      if (end < 0) return 0;
      const bool inside = start <= end ? (start <= t && t < end) : (t >= start || t < end);
      return inside ? Between : 0;
    }
    case 2: return t < start ? BeforeOrAfter : 0;
    case 3: return t >= start ? BeforeOrAfter : 0;
    default: return 0;
  }
}

std::string_view trimBlanks(std::string_view v) {
  const auto first = v.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = v.find_last_not_of(' ');
  return v.substr(first, last - first + 1);
}

Cond decodeCond(std::span<const std::uint8_t> rec) {
  Cond c;
  c.inUse = store::getBool(rec, CondOff::InUse);
  if (!c.inUse) return c;
  c.conVal = store::getBool(rec, CondOff::ConVal);
  c.inclHoli = store::getBool(rec, CondOff::InclHoli);
  c.perType = store::getByte(rec, CondOff::PerType);
  c.perNum = store::getByte(rec, CondOff::PerNum);
  c.timeType = store::getByte(rec, CondOff::TimeType);
  c.perStart = store::getDouble(rec, CondOff::PerStart);
  c.perEnd = store::getDouble(rec, CondOff::PerEnd);
  c.startMinute = minuteOfDay(store::getDouble(rec, CondOff::TimeStart));
  c.endMinute = minuteOfDay(store::getDouble(rec, CondOff::TimeEnd));
  c.wkStart = store::getInt16(rec, CondOff::WkStart);
  c.wkEnd = store::getInt16(rec, CondOff::WkEnd);
  const auto* name = reinterpret_cast<const char*>(rec.data() + CondOff::ConNm);
  c.name = std::string(trimBlanks(std::string_view(name, kNameWidth)));
  return c;
}

// A connection name as a record would hold it and the matching reads it back:
// Windows-1252, its first 20 characters, without leading and trailing blanks (a
// stored name is read trimmed, so a name whose 20th character is a blank must be
// trimmed too, or it could never match).
std::string recordName(const QString& name) {
  const auto bytes = store::utf8ToCp1252(name.toStdString());
  const std::string cut(bytes.begin(),
                        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), kNameWidth)));
  return std::string(trimBlanks(cut));
}

bool asksForHolidays(const Cond& c) { return c.perType == 4 || (c.perType == 7 && c.inclHoli); }

}  // namespace

// --- ConditionMatcher ----------------------------------------------------------------

ConditionMatcher::ConditionMatcher(const store::DataFiles& files, const store::MainRecord& main, int base,
                                   const QString& evalConn, const QString& curConn)
    : cond_(kSlots + 1), weekOff_(main.WeekOff) {
  std::array<std::uint8_t, kSlots * ExpenseCondition::Size> block{};
  // A block that cannot be read holds no condition.
  if (files.readRecords(ExpenseCondition::Channel, static_cast<std::int64_t>(base) + 1, kSlots, block)) {
    for (int i = 1; i <= kSlots; ++i)
      cond_[static_cast<std::size_t>(i)] = decodeCond(std::span<const std::uint8_t>(block).subspan(
          static_cast<std::size_t>(i - 1) * ExpenseCondition::Size, ExpenseCondition::Size));
  }
  judgeSlots(main, evalConn, curConn);
  // The holidays are read only when a condition that takes part asks for them.
  if (needsHolidays()) holidayDays_ = savedHolidayDays(files, main);
}

ConditionMatcher::ConditionMatcher(std::span<const store::ExpenseCondition> conditions,
                                   std::span<const double> holidayDates, const store::MainRecord& main,
                                   const QString& evalConn, const QString& curConn)
    : cond_(kSlots + 1), weekOff_(main.WeekOff) {
  // Read as the records would be, so that both sources are judged alike.
  const std::size_t n = std::min<std::size_t>(conditions.size(), kSlots);
  for (std::size_t i = 0; i < n; ++i) cond_[i + 1] = decodeCond(conditions[i].encoded());
  judgeSlots(main, evalConn, curConn);
  if (!needsHolidays()) return;
  for (const double d : holidayDates)
    if (const auto day = Regional::datePart(d)) holidayDays_.push_back(day->toJulianDay());
  std::sort(holidayDays_.begin(), holidayDays_.end());
}

void ConditionMatcher::judgeSlots(const store::MainRecord& main, const QString& evalConn, const QString& curConn) {
  const bool anyConn = evalConn.isEmpty();
  const bool defaultConn = evalConn == kDefaultConnection;
  const std::string wanted = recordName(anyConn ? curConn : evalConn);

  bool emptySeen = false;
  for (int i = 1; i <= kSlots; ++i) {
    const Cond& c = cond_[static_cast<std::size_t>(i)];
    bool& on = on_[static_cast<std::size_t>(i)];
    on = c.inUse;
    if (!c.inUse) {
      if (!emptySeen) last_ = i - 1;
      emptySeen = true;
      continue;
    }
    if (anyConn) {
      on = !(c.conVal && c.name != wanted);
    } else if (defaultConn) {
      on = !(c.conVal && c.name != "MILUFE");
    } else {
      on = c.conVal && c.name == wanted;
    }
  }

  // The countdown's hold on the conditions counts only for the tracker's own use.
  if (anyConn && main.CdEnabled) {
    for (int i = 1; i <= last_; ++i) {
      const auto k = static_cast<std::size_t>(i);
      if (main.CdExpenseMode == 1 || (main.CdExpenseMode == 2 && !main.CdCondOn[k])) held_[k] = true;
    }
  }
}

bool ConditionMatcher::needsHolidays() const {
  for (int i = 1; i <= last_; ++i)
    if (on_[static_cast<std::size_t>(i)] && asksForHolidays(cond_[static_cast<std::size_t>(i)])) return true;
  return false;
}

bool ConditionMatcher::inUse(int slot) const {
  return slot >= 1 && slot <= kSlots && cond_[static_cast<std::size_t>(slot)].inUse;
}

bool ConditionMatcher::letIn(int slot) const {
  return slot >= 1 && slot <= kSlots && on_[static_cast<std::size_t>(slot)] && !held_[static_cast<std::size_t>(slot)];
}

bool ConditionMatcher::heldByCountdown(int slot) const {
  return slot >= 1 && slot <= kSlots && held_[static_cast<std::size_t>(slot)];
}

QString ConditionMatcher::boundTo(int slot) const {
  if (!inUse(slot) || !cond_[static_cast<std::size_t>(slot)].conVal) return {};
  const std::string& name = cond_[static_cast<std::size_t>(slot)].name;
  return QString::fromStdString(store::cp1252ToUtf8(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(name.data()), name.size())));
}

ConditionMatch ConditionMatcher::match(double moment, CountdownHold hold) const {
  ConditionMatch r;
  const Moment m = momentOf(moment);
  std::optional<bool> isHoliday;
  auto holiday = [&] {
    if (!isHoliday) isHoliday = holidayOn(m, weekOff_, holidayDays_);
    return *isHoliday;
  };
  int best = 0;
  for (int i = 1; i <= last_; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (!on_[k] || (hold == CountdownHold::AsSet && held_[k])) continue;
    const Cond& c = cond_[k];
    const int p = periodScore(m, c.perType, c.perNum, c.perStart, c.perEnd, c.wkStart, c.wkEnd, c.inclHoli, holiday,
                              r.minuteOfWeek);
    if (p < 1) continue;
    const int t = timeScore(m, c.perType, c.timeType, c.startMinute, c.endMinute);
    if (t < 1) continue;
    r.applies[k] = true;
    // Ties go to the lower slot.
    const int score = p + t + (c.conVal ? kConnectionBonus : 0);
    r.scores[k] = score;
    if (score > best) {
      best = score;
      r.winner = i;
    }
  }
  return r;
}

// --- One moment at a time --------------------------------------------------------------

ActiveCondition activeCondition(const store::DataFiles& files, const store::MainRecord& main, int base,
                                double moment, const QString& evalConn, const QString& curConn) {
  const ConditionMatcher matcher(files, main, base, evalConn, curConn);
  const ConditionMatch r = matcher.match(moment);
  return {r.winner, r.minuteOfWeek, matcher.lastSlot()};
}

int periodScoreAt(const store::DataFiles& files, const store::MainRecord& main, double moment, std::uint8_t nType,
                  std::uint8_t nNum, double nsDate, double neDate, const store::ExpenseCondition& weekly,
                  int& minuteOfWeek) {
  const Moment m = momentOf(moment);
  auto holiday = [&] { return holidayOn(m, main.WeekOff, savedHolidayDays(files, main)); };
  int worked = -1;
  const int score =
      periodScore(m, nType, nNum, nsDate, neDate, weekly.WkStart, weekly.WkEnd, weekly.InclHoli, holiday, worked);
  if (worked >= 0) minuteOfWeek = worked;
  return score;
}

int timeScoreAt(double moment, std::uint8_t perType, std::uint8_t timeType, double timeStart, double timeEnd) {
  return timeScore(momentOf(moment), perType, timeType, minuteOfDay(timeStart), minuteOfDay(timeEnd));
}

bool holidayAt(const store::DataFiles& files, const store::MainRecord& main, double moment) {
  const Moment m = momentOf(moment);
  return m.valid && holidayOn(m, main.WeekOff, savedHolidayDays(files, main));
}

}  // namespace prandel
