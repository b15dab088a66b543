// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which expense condition is in force at a moment, for a connection: every
// condition whose period and time of day hold the moment scores by its kinds, and
// the best score wins (ties to the lower slot).
//
// activeCondition reads the conditions and the holidays from the files afresh at
// each call, so an edit saved a moment ago counts at the next call; the records are
// read in one block per call. ConditionMatcher is the same matching over one reading,
// for many moments, of the files or of records already in memory.
#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel {

namespace store {
class DataFiles;
}

// EvalConn's value for "no particular connection".
inline const QString kDefaultConnection = QStringLiteral("MILUFE");

// Period scores.
namespace periodscore {
inline constexpr int EveryDay = 128;
inline constexpr int Weekdays = 196;
inline constexpr int Month = 256;
inline constexpr int DateRange = 512;
inline constexpr int Weekend = 1024;
inline constexpr int WeeklyPeriod = 1024;
inline constexpr int Weekday = 1536;
inline constexpr int Holiday = 2048;
inline constexpr int WeeklyOnHoliday = 3072;
}  // namespace periodscore

// Time-of-day scores.
namespace timescore {
inline constexpr int InWeeklyPeriod = 1;
inline constexpr int WholeDay = 2;
inline constexpr int BeforeOrAfter = 4;
inline constexpr int Between = 8;
}  // namespace timescore

inline constexpr int kConnectionBonus = 4096;
// HolidayCount is only trusted up to the capacity of the holiday records.
inline constexpr int kMaxHolidays = 190;

// What one evaluation found.
struct ConditionMatch {
  static constexpr int kSlots = store::ExpenseCondition::Slots;
  int winner = 0;  // slot 1..20 in force, or 0
  // Per slot (0 unused): it takes part, and its period and time of day hold the
  // moment. The winner is one of these; the others lose to it.
  std::array<bool, kSlots + 1> applies{};
  // Per slot: its score where it applies, else 0. A caller that leaves some of the
  // candidates out (the tracker's filters) finds the winner among the rest: the best
  // score, ties to the lower slot.
  std::array<int, kSlots + 1> scores{};
  int minuteOfWeek = -1;  // as a weekly period worked it out; -1 when none did
};

// Whether a match leaves out the conditions that the countdown holds off (with an
// empty EvalConn, CdEnabled and CdExpenseMode 1 or 2), or judges them as if the
// countdown were not running: the tracker asks for the latter once it has run out.
enum class CountdownHold { AsSet, Off };

// The matching of GetActiveCondition over one reading of the records, for many
// moments in a row: the conditions of one set and the saved holidays are read once,
// and the connection filter and the countdown's hold applied once. GetActiveCondition
// makes one per call.
class ConditionMatcher {
 public:
  static constexpr int kSlots = store::ExpenseCondition::Slots;

  // Records base+1 .. base+20 and the saved holidays of files; the weekly days off,
  // the holiday count and the countdown from main. evalConn and curConn mean what
  // EvalConn and CurConn mean.
  ConditionMatcher(const store::DataFiles& files, const store::MainRecord& main, int base, const QString& evalConn,
                   const QString& curConn = QString());
  // The same over records in memory: conditions[i - 1] is slot i (missing slots are
  // empty) and holidayDates the saved holidays' dates, all of them counted; the
  // weekly days off and the countdown from main, whose HolidayCount is not read.
  ConditionMatcher(std::span<const store::ExpenseCondition> conditions, std::span<const double> holidayDates,
                   const store::MainRecord& main, const QString& evalConn, const QString& curConn = QString());

  ConditionMatch match(double moment, CountdownHold hold = CountdownHold::AsSet) const;

  // CondLast: the slots in use before the first empty one.
  int lastSlot() const { return last_; }
  // Whether slot 1..20 is marked in use; beyond lastSlot() such a slot never counts.
  bool inUse(int slot) const;
  // Whether the connection filter, and up to lastSlot() the countdown's hold, let
  // slot 1..20 in; beyond lastSlot() it never counts all the same.
  bool letIn(int slot) const;
  // Whether the countdown's hold alone leaves slot 1..20 out.
  bool heldByCountdown(int slot) const;
  // The connection a slot is bound to (its name without outer blanks), or empty
  // when it is bound to none.
  QString boundTo(int slot) const;

  // A condition as the matching reads it.
  struct Cond {
    bool inUse = false;
    bool conVal = false;
    bool inclHoli = false;
    std::uint8_t perType = 0, perNum = 0, timeType = 0;
    double perStart = 0, perEnd = 0;
    int startMinute = -1, endMinute = -1;  // TimeStart and TimeEnd cut to minutes; -1 when no time
    int wkStart = 0, wkEnd = 0;
    std::string name;  // ConNm without leading and trailing blanks, Windows-1252
  };

 private:
  // Marks the slots in use, CondLast, the connection filter and the countdown's hold.
  void judgeSlots(const store::MainRecord& main, const QString& evalConn, const QString& curConn);
  bool needsHolidays() const;

  std::vector<Cond> cond_;  // slot i is cond_[i]
  std::array<bool, kSlots + 1> on_{};    // let in by the connection filter
  std::array<bool, kSlots + 1> held_{};  // held off by the countdown
  int last_ = kSlots;
  std::vector<std::int64_t> holidayDays_;  // Julian days of the saved holidays, sorted
  std::array<bool, 7> weekOff_{};
};

// --- One moment at a time, on plain values ---------------------------------------------

// What the matching at one moment found, read afresh.
struct ActiveCondition {
  int slot = 0;           // 1..20 in force, or 0
  int minuteOfWeek = -1;  // as a weekly period worked it out; -1 when none did
  int lastSlot = 0;       // CondLast: the slots in use before the first empty one
};

// The condition in force at moment for evalConn (and curConn, as ConditionMatcher
// takes them) among records base+1 .. base+20 of the conditions' channel. A block
// that cannot be read counts as empty slots.
ActiveCondition activeCondition(const store::DataFiles& files, const store::MainRecord& main, int base,
                                double moment, const QString& evalConn, const QString& curConn = QString());

// The score of a period at moment (0 when it does not hold it). A weekly period (kind
// 7) takes WkStart, WkEnd and InclHoli from weekly and sets minuteOfWeek; nothing else
// sets it. The holidays are read from files when the kind asks for them.
int periodScoreAt(const store::DataFiles& files, const store::MainRecord& main, double moment, std::uint8_t nType,
                  std::uint8_t nNum, double nsDate, double neDate, const store::ExpenseCondition& weekly,
                  int& minuteOfWeek);

// The score of a time-of-day rule at moment (0 when it does not hold it); a condition
// of a weekly period (perType 7) always scores 1 here.
int timeScoreAt(double moment, std::uint8_t perType, std::uint8_t timeType, double timeStart, double timeEnd);

// Whether moment falls on a weekly day off of main or on a saved holiday.
bool holidayAt(const store::DataFiles& files, const store::MainRecord& main, double moment);

}  // namespace prandel
