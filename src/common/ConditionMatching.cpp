// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ConditionMatching.h"

#include <QDate>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/Regional.h"
#include "common/Session.h"
#include "store/Codec.h"
#include "store/Cp1252.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"

namespace prandel {
namespace {

using store::ExpenseCondition;
using store::HolidayRecord;
using CondOff = ExpenseCondition::Off;

constexpr int kSlots = ExpenseCondition::Slots;
constexpr std::size_t kNameWidth = 20;

// The parts of the moment under evaluation, after rounding to the second.
struct Moment {
  bool valid = false;
  double value = 0;
  QDate day;
  int weekday = 0;  // 1 = Sunday .. 7 = Saturday
  double date = 0;  // midnight of its day
  int minuteOfDay = 0;
};

Moment momentOf(double v) {
  Moment m;
  m.value = v;
  const auto d = Regional::datePart(v);
  const auto t = Regional::timePart(v);
  if (!d || !t) return m;
  m.valid = true;
  m.day = *d;
  m.weekday = Regional::weekday(v);
  m.date = Regional::fromDate(*d);
  m.minuteOfDay = t->hour() * 60 + t->minute();
  return m;
}

// A time of day cut to whole minutes (as the short time text read back).
std::optional<int> minuteOfDay(double v) {
  const auto t = Regional::timePart(v);
  if (!t) return std::nullopt;
  return t->hour() * 60 + t->minute();
}

bool onWeekOff(const Session& s, const Moment& m) {
  for (int d = 0; d < 7; ++d)
    if (s.MainRec.WeekOff[static_cast<std::size_t>(d)] && m.weekday - 1 == d) return true;
  return false;
}

// Whether one of the saved holidays falls on the moment's day. The records are read
// as one block; a count beyond the records' capacity is not trusted.
bool onSavedHoliday(const Session& s, const Moment& m) {
  const int count = std::clamp<int>(s.MainRec.HolidayCount, 0, kMaxHolidays);
  if (count == 0) return false;
  std::array<std::uint8_t, kMaxHolidays * HolidayRecord::Size> block{};
  const std::span<std::uint8_t> used(block.data(), static_cast<std::size_t>(count) * HolidayRecord::Size);
  if (!s.files.readRecords(HolidayRecord::Channel, HolidayRecord::Base + 1, count, used)) return false;
  for (int i = 0; i < count; ++i) {
    const auto rec = used.subspan(static_cast<std::size_t>(i) * HolidayRecord::Size, HolidayRecord::Size);
    const double h = store::getDouble(rec, HolidayRecord::Off::HoliDate);
    // Values more than three days apart never share a calendar day, so only the
    // near ones need the calendar (NaN fails here too).
    if (!(std::fabs(h - m.value) <= 3.0)) continue;
    const auto day = Regional::datePart(h);
    if (day && *day == m.day) return true;
  }
  return false;
}

bool holidayAt(const Session& s, const Moment& m) {
  if (!m.valid) return false;
  return onWeekOff(s, m) || onSavedHoliday(s, m);
}

// One evaluation of the moment in s.EvalMoment; the holiday test is made at most
// once, and only when a condition asks for it.
class Evaluation {
 public:
  explicit Evaluation(Session& s) : s_(s), m_(momentOf(s.EvalMoment)) {}

  bool holiday() {
    if (!holiday_) holiday_ = holidayAt(s_, m_);
    return *holiday_;
  }

  int period(std::uint8_t type, std::uint8_t num, double start, double end, int wkStart, int wkEnd,
             bool inclHoli) {
    using namespace periodscore;
    switch (type) {
      case 0: return EveryDay;
      case 1: return m_.valid && m_.weekday == num + 1 ? Weekday : 0;
      case 2: return m_.valid && m_.day.month() == num + 1 ? Month : 0;
      case 3: return m_.valid && start <= m_.date && m_.date <= end ? DateRange : 0;
      case 4: return holiday() ? Holiday : 0;
      case 5: return m_.valid && m_.weekday >= 2 && m_.weekday <= 6 ? Weekdays : 0;
      case 6: return m_.valid && (m_.weekday == 1 || m_.weekday == 7) ? Weekend : 0;
      case 7: {
        int score = 0;
        if (m_.valid) {
          const int mow = (m_.weekday - 1) * 1440 + m_.minuteOfDay;
          s_.MinuteOfWeek = mow;
          const bool inside = wkStart <= wkEnd ? (wkStart <= mow && mow < wkEnd) : (mow >= wkStart || mow < wkEnd);
          if (inside) score = WeeklyPeriod;
        }
        if (inclHoli && holiday()) score = WeeklyOnHoliday;
        return score;
      }
      default: return 0;
    }
  }

  int time(std::uint8_t perType, std::uint8_t type, double start, double end) const {
    using namespace timescore;
    if (perType == 7) return InWeeklyPeriod;
    if (type == 0) return WholeDay;
    if (!m_.valid) return 0;
    const int m = m_.minuteOfDay;
    const auto sm = minuteOfDay(start);
    switch (type) {
      case 1: {
        const auto em = minuteOfDay(end);
        if (!sm || !em) return 0;
        const bool inside = *sm <= *em ? (*sm <= m && m < *em) : (m >= *sm || m < *em);
        return inside ? Between : 0;
      }
      case 2: return sm && m < *sm ? BeforeOrAfter : 0;
      case 3: return sm && m >= *sm ? BeforeOrAfter : 0;
      default: return 0;
    }
  }

 private:
  Session& s_;
  Moment m_;
  std::optional<bool> holiday_;
};

// The fields of a condition record that the matching reads.
struct Cond {
  bool inUse = false;
  bool conVal = false;
  bool inclHoli = false;
  std::uint8_t perType = 0, perNum = 0, timeType = 0;
  double perStart = 0, perEnd = 0, timeStart = 0, timeEnd = 0;
  int wkStart = 0, wkEnd = 0;
  std::string_view name;  // ConNm as stored, without leading and trailing blanks
};

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
  c.timeStart = store::getDouble(rec, CondOff::TimeStart);
  c.timeEnd = store::getDouble(rec, CondOff::TimeEnd);
  c.wkStart = store::getInt16(rec, CondOff::WkStart);
  c.wkEnd = store::getInt16(rec, CondOff::WkEnd);
  const auto* name = reinterpret_cast<const char*>(rec.data() + CondOff::ConNm);
  c.name = trimBlanks(std::string_view(name, kNameWidth));
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

}  // namespace

int GetActiveCondition(Session& s, int base) {
  std::array<std::uint8_t, kSlots * ExpenseCondition::Size> block{};
  const bool read = s.files.readRecords(ExpenseCondition::Channel, static_cast<std::int64_t>(base) + 1, kSlots, block);

  std::array<Cond, kSlots + 1> cond{};
  std::array<bool, kSlots + 1> on{};
  std::array<int, kSlots + 1> score{};
  int last = kSlots;
  bool emptySeen = false;

  const bool anyConn = s.EvalConn.isEmpty();
  const bool defaultConn = s.EvalConn == kDefaultConnection;
  const std::string wanted = recordName(anyConn ? s.CurConn : s.EvalConn);

  for (int i = 1; i <= kSlots; ++i) {
    // A block that cannot be read holds no condition.
    if (read) {
      cond[i] = decodeCond(std::span<const std::uint8_t>(block).subspan(
          static_cast<std::size_t>(i - 1) * ExpenseCondition::Size, ExpenseCondition::Size));
    }
    const Cond& c = cond[i];
    on[i] = c.inUse;
    if (!c.inUse) {
      if (!emptySeen) last = i - 1;
      emptySeen = true;
      continue;
    }
    if (anyConn) {
      on[i] = !(c.conVal && c.name != wanted);
    } else if (defaultConn) {
      on[i] = !(c.conVal && c.name != "MILUFE");
    } else {
      on[i] = c.conVal && c.name == wanted;
    }
  }

  // The countdown's hold on the conditions counts only for the tracker's own use.
  if (anyConn && s.MainRec.CdEnabled) {
    if (s.MainRec.CdExpenseMode == 1) {
      for (int i = 1; i <= last; ++i) on[i] = false;
    } else if (s.MainRec.CdExpenseMode == 2) {
      for (int i = 1; i <= last; ++i)
        if (!s.MainRec.CdCondOn[static_cast<std::size_t>(i)]) on[i] = false;
    }
  }

  Evaluation eval(s);
  for (int i = 1; i <= last; ++i) {
    if (!on[i]) continue;
    const Cond& c = cond[i];
    const int p = eval.period(c.perType, c.perNum, c.perStart, c.perEnd, c.wkStart, c.wkEnd, c.inclHoli);
    if (p < 1) {
      on[i] = false;
      continue;
    }
    const int t = eval.time(c.perType, c.timeType, c.timeStart, c.timeEnd);
    if (t < 1) {
      on[i] = false;
      continue;
    }
    score[i] = p + t + (c.conVal ? kConnectionBonus : 0);
  }

  int best = 0;
  int winner = 0;
  for (int i = 1; i <= last; ++i) {
    if (on[i] && score[i] > best) {
      best = score[i];
      winner = i;
    }
  }
  if (!s.EvalConn.isEmpty()) s.CondCount = last;
  return best >= 1 ? winner : 0;
}

int Check_Period(Session& s, std::uint8_t nType, std::uint8_t nNum, double nsDate, double neDate) {
  Evaluation eval(s);
  return eval.period(nType, nNum, nsDate, neDate, s.CondRec.WkStart, s.CondRec.WkEnd, s.CondRec.InclHoli);
}

int Check_Time(Session& s, std::uint8_t timeType, double timeStart, double timeEnd) {
  const Evaluation eval(s);
  return eval.time(s.CondRec.PerType, timeType, timeStart, timeEnd);
}

bool IsHoliday(Session& s) { return holidayAt(s, momentOf(s.EvalMoment)); }

}  // namespace prandel
