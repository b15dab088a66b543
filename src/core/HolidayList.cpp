// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/HolidayList.h"

#include <algorithm>

#include "core/RecordUpdate.h"
#include "core/Regional.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"

namespace prandel {

using store::HolidayRecord;

HolidayList loadHolidayList(const store::DataFiles& files, store::MainRecord& main, HolidayRecord& buffer) {
  HolidayList list;
  list.complete = store::readRecord(files, store::MainRecord::Channel, store::MainRecord::RecordNo, main);
  list.weekOff = main.WeekOff;
  // A count beyond the records' capacity, or below zero, is not trusted.
  const int count = std::clamp<int>(main.HolidayCount, 0, HolidayRecord::Capacity);
  for (int k = 1; k <= count; ++k) {
    if (!store::readRecord(files, HolidayRecord::Channel, HolidayRecord::Base + k, buffer)) {
      list.complete = false;
      continue;
    }
    list.entries.push_back({buffer.HoliDate, buffer.HoliName, buffer.HoliSpare});
  }
  return list;
}

bool saveHolidayList(store::DataFiles& files, store::MainRecord& main, HolidayRecord& buffer,
                     const std::vector<HolidayEntry>& entries, const std::array<bool, 7>& weekOff) {
  if (entries.size() > static_cast<std::size_t>(HolidayRecord::Capacity)) return false;
  const int count = static_cast<int>(entries.size());
  if (count > 0 && !files.reserve(HolidayRecord::Channel, HolidayRecord::Base + 1, count)) return false;
  // The count, the days off and the records as one save: a count whose records were
  // never written would make holidays of whatever the slots held before.
  SaveTransaction save(files, main);
  save.coverMainRecord();
  save.cover(HolidayRecord::Channel, HolidayRecord::Base + 1, count);
  if (!save.begin()) return false;
  bool ok = updateMainRecord(files, main, [&](store::MainRecord& m) {
    m.HolidayCount = static_cast<std::int16_t>(count);
    m.WeekOff = weekOff;
    m.ChangeCode = 5;
  });
  // The buffer's spare bytes as the load left them, before the loop reuses it.
  const auto bufferSpare = buffer.HoliSpare;
  for (int j = 0; j < count; ++j) {
    const HolidayEntry& e = entries[static_cast<std::size_t>(j)];
    buffer.HoliDate = e.date;
    buffer.HoliName = e.name;
    buffer.HoliSpare = e.spare.value_or(bufferSpare);
    ok = store::writeRecord(files, HolidayRecord::Channel, HolidayRecord::Base + 1 + j, buffer) && ok;
  }
  return save.commit() && ok;
}

QString holidayFaultText(HolidayFault fault) {
  switch (fault) {
    case HolidayFault::ListFull: return QStringLiteral("List of Holidays is full");
    case HolidayFault::InvalidDate: return QStringLiteral("Invalid Date");
    case HolidayFault::DuplicateDate: return QStringLiteral("Date is already exist");
    case HolidayFault::None: break;
  }
  return {};
}

bool holidayListFull(std::size_t count) { return count >= static_cast<std::size_t>(HolidayRecord::Capacity); }

bool CheckDupliDate(std::span<const double> listed, double dDate) {
  const auto day = Regional::datePart(dDate);
  if (!day) return false;
  return std::any_of(listed.begin(), listed.end(), [&](double d) {
    const auto other = Regional::datePart(d);
    return other && *other == *day;
  });
}

HolidayCheck checkNewHoliday(const Regional& regional, std::span<const double> listed, const QString& dateText) {
  if (holidayListFull(listed.size())) return {HolidayFault::ListFull};
  const auto date = regional.parseDate(dateText);
  if (!date) return {HolidayFault::InvalidDate};
  if (CheckDupliDate(listed, *date)) return {HolidayFault::DuplicateDate, *date};
  return {HolidayFault::None, *date};
}

}  // namespace prandel
