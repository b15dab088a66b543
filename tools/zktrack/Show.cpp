// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "Zktrack.h"
#include "common/Regional.h"
#include "store/Codec.h"
#include "store/RecordIO.h"

namespace zktrack {

using prandel::Regional;

namespace {

// A bit.zkt of garbage could be huge; nobody keeps this many bookmarks.
constexpr std::int64_t kMaxBookmarks = 100000;

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

std::string qs(const QString& s) { return s.toStdString(); }

std::string hhmm(double d) {
  const auto t = Regional::timePart(d);
  return t ? qs(t->toString(QStringLiteral("HH:mm"))) : "invalid time (" + number(d) + ")";
}

// Day and time of a minute of the week counted from Sunday 00:00.
std::string weekMinute(int minute) {
  if (minute < 0 || minute >= 7 * 1440) return "minute " + std::to_string(minute);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %02d:%02d", kDays[minute / 1440], minute % 1440 / 60, minute % 60);
  return buf;
}

std::string periodText(const store::ExpenseCondition& c) {
  switch (c.PerType) {
    case 0: return "Every Day";
    case 1: return c.PerNum < 7 ? std::string("On ") + kLongDays[c.PerNum] : "On day " + std::to_string(c.PerNum);
    case 2: return c.PerNum < 12 ? std::string("In ") + kMonths[c.PerNum] : "In month " + std::to_string(c.PerNum);
    case 3: return "From " + dateText(c.PerStart) + " To " + dateText(c.PerEnd);
    case 4: return "Holidays";
    case 5: return "Weekdays (Mon-Fri)";
    case 6: return "Weekends (Sat-Sun)";
    case 7: return "From " + weekMinute(c.WkStart) + " To " + weekMinute(c.WkEnd);
    default: return "period kind " + std::to_string(c.PerType);
  }
}

std::string timeWindowText(const store::ExpenseCondition& c) {
  switch (c.TimeType) {
    case 0: return "whole day";
    case 1: return hhmm(c.TimeStart) + "-" + hhmm(c.TimeEnd);
    case 2: return "before " + hhmm(c.TimeStart);
    case 3: return "after " + hhmm(c.TimeStart);
    default: return "time kind " + std::to_string(c.TimeType);
  }
}

std::string amountText(const store::ExpenseCondition& c, const std::string& cur) {
  std::string out;
  if (c.AmtKind == 2) {
    out = c.Amt == 0 ? "free" : money(cur, c.Amt) + " at once";
  } else if (c.AmtKind == 3) {
    out = c.Amt == 0 ? "free" : money(cur, c.Amt) + " per MB";
  } else {
    out = c.Amt == 0 ? "free" : money(cur, c.Amt) + (c.PerCall ? " per call" : " per hour");
  }
  if (c.AmtKind != 0 && c.AmtKind != 2 && c.AmtKind != 3) out += " (amount kind " + std::to_string(c.AmtKind) + ")";
  if (c.InCall) out += ", initial call " + money(cur, c.InCallAmt);
  if (c.InTimeOn) out += ", initial call time " + timeText(c.InTime);
  return out;
}

std::string flagsText(const store::ExpenseCondition& c, const std::string& cur) {
  std::vector<std::string> flags;
  if (c.PerCall && c.CustCall) flags.push_back("call time " + timeText(c.CallTime));
  if (c.IspOn == 12) flags.push_back("ISP charge " + money(cur, c.IspAmt));
  if (c.InclHoli) flags.push_back("holidays included");
  if (c.ConVal) flags.push_back("connection " + quoted(c.ConNm));
  if (c.CondItem != 0)
    flags.push_back("filter: counter " + std::to_string(c.CondItem) + " comparison " + std::to_string(c.CondCmp) +
                    " value " + number(c.CondVal));
  std::string out;
  for (const auto& f : flags) out += (out.empty() ? "" : ", ") + f;
  return out;
}

bool fileHasBytes(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace

// --- Reading ---------------------------------------------------------------------

bool isDeleted(const store::BookmarkRecord& b) { return b.BmDeleted != 0; }

Records readAll(store::DataFiles& files) {
  Records r;
  store::MainRecIO(files, r.main, false);
  store::LinkRecIO(files, r.link, false);
  using store::ExpenseCondition;
  r.live.resize(ExpenseCondition::Slots);
  for (int i = 1; i <= ExpenseCondition::Slots; ++i)
    store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + i, r.live[static_cast<std::size_t>(i - 1)]);
  using store::HolidayRecord;
  const int count = std::clamp<int>(r.main.HolidayCount, 0, HolidayRecord::Capacity);
  r.holidays.resize(static_cast<std::size_t>(count));
  for (int k = 1; k <= count; ++k)
    store::readRecord(files, HolidayRecord::Channel, HolidayRecord::Base + k, r.holidays[static_cast<std::size_t>(k - 1)]);
  using store::BookmarkRecord;
  const std::uint64_t len = files.fileLength(BookmarkRecord::Channel).value_or(0);
  const auto records = std::min<std::int64_t>(static_cast<std::int64_t>((len + BookmarkRecord::Size - 1) / BookmarkRecord::Size),
                                              kMaxBookmarks);
  for (std::int64_t n = 1; n <= records; ++n) {
    Bookmark b;
    b.recNo = n;
    store::readRecord(files, BookmarkRecord::Channel, n, b.rec);
    r.bookmarks.push_back(std::move(b));
  }
  return r;
}

// --- Texts -----------------------------------------------------------------------

std::string readable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0) {
      out.push_back(' ');  // zero bytes are the padding of a fresh file
    } else if (c < 0x20 || c == 0x7F) {
      out.push_back('?');
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out.push_back('?');  // a C1 control
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return store::trimSpaces(out);
}

std::string quoted(const std::string& text) { return "\"" + readable(text) + "\""; }

std::string number(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string money(const std::string& currency, double v) {
  std::string amount;
  if (std::isfinite(v) && std::fabs(v) < 1e15) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.2f", std::fabs(v) < 0.005 ? 0.0 : v);  // no "-0.00"
    amount = buf;
  } else {
    amount = number(v);
  }
  const std::string cur = readable(currency);
  return cur.empty() ? amount : cur + " " + amount;
}

std::string dateText(double d) {
  const auto date = Regional::datePart(d);
  return date ? qs(date->toString(QStringLiteral("yyyy-MM-dd"))) : "invalid date (" + number(d) + ")";
}

std::string timeText(double d) {
  const auto t = Regional::timePart(d);
  return t ? qs(t->toString(QStringLiteral("HH:mm:ss"))) : "invalid time (" + number(d) + ")";
}

std::string dateTimeText(double d) {
  if (!Regional::isValidDate(d)) return "invalid (" + number(d) + ")";
  const double r = Regional::roundToSecond(d);
  if (r >= 0 && r < 1) return timeText(r);
  if (r == std::floor(r)) return dateText(r);
  return dateText(r) + " " + timeText(r);
}

std::string secondsText(double secs) {
  if (!std::isfinite(secs) || std::fabs(secs) > 1e12) return number(secs) + " s";
  const auto total = static_cast<long long>(std::llround(std::fabs(secs)));
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%lld:%02lld:%02lld", secs < 0 && total > 0 ? "-" : "", total / 3600, total / 60 % 60, total % 60);
  return buf;
}

std::string weekDaysText(std::span<const bool> days) {
  std::string out;
  for (std::size_t d = 0; d < days.size() && d < 7; ++d)
    if (days[d]) out += (out.empty() ? "" : " ") + std::string(kDays[d]);
  return out.empty() ? "none" : out;
}

std::string conditionLine(const store::ExpenseCondition& c, const std::string& currency) {
  std::string line = amountText(c, currency) + " | " + periodText(c);
  // A weekly period carries its own times.
  if (c.PerType != 7) line += " | " + timeWindowText(c);
  const std::string flags = flagsText(c, currency);
  if (!flags.empty()) line += " | " + flags;
  return line;
}

std::string holidayLine(const store::HolidayRecord& h) { return dateText(h.HoliDate) + " " + readable(h.HoliName); }

std::string bookmarkLine(const Bookmark& b) {
  std::string line = std::to_string(b.recNo) + ": " + quoted(b.rec.BmName);
  if (const std::string more = readable(b.rec.BmNameMore); !more.empty()) line += " (more: \"" + more + "\")";
  return line + " -> " + readable(b.rec.BmLink);
}

std::string fieldValue(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  using store::FieldType;
  switch (f.type) {
    case FieldType::Integer: return std::to_string(store::getInt16(bytes, f.offset));
    case FieldType::Boolean: {
      const auto v = store::getInt16(bytes, f.offset);
      return v == 0 ? "False" : v == -1 ? "True" : "True (" + std::to_string(v) + ")";
    }
    case FieldType::Long: return std::to_string(store::getInt32(bytes, f.offset));
    case FieldType::Byte: return std::to_string(store::getByte(bytes, f.offset));
    case FieldType::Double: return number(store::getDouble(bytes, f.offset));
    case FieldType::Date: return dateTimeText(store::getDouble(bytes, f.offset));
    case FieldType::Text: return quoted(store::getText(bytes, f.offset, f.width));
    case FieldType::BoolArray: {
      std::string out;
      for (std::size_t i = 0; i + 1 < f.width; i += 2) out += store::getBool(bytes, f.offset + i) ? 'T' : 'F';
      return out;
    }
    case FieldType::Bytes: break;
  }
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < f.width; ++i) {
    const auto b = bytes[f.offset + i];
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}

// --- show --------------------------------------------------------------------------

int runShow(const std::string& folder) {
  // Opening the files creates missing ones; a folder without records is more
  // likely a mistyped --data than a tracker's folder.
  if (!fileHasBytes(folder + "/mlif.zkt")) {
    std::cerr << "zktrack: no records in " << folder << " (mlif.zkt missing or empty); try: zktrack seed\n";
    return 1;
  }
  store::DataFiles files;
  if (!files.openAll(folder) && !files.isOpen(store::MainRecord::Channel)) {
    std::cerr << "zktrack: cannot open the record files in " << folder << "\n";
    return 1;
  }
  const Records r = readAll(files);
  const auto& m = r.main;
  std::cout << "Data folder: " << folder << "\n"
            << "Call settings: CallStart " << m.CallStart << ", IncChoice " << m.IncChoice << ", IncTime "
            << timeText(m.IncTime) << ", AddDialTime " << int{m.AddDialTime} << ", DialSeconds " << int{m.DialSeconds}
            << "\n"
            << "Countdown: " << (m.CdEnabled ? "enabled" : "disabled") << ", total " << secondsText(m.CdTotal)
            << ", used " << secondsText(m.CdUsed) << ", status " << m.CdStatus << ", active only "
            << int{m.CdActiveOnly} << ", expense mode " << m.CdExpenseMode << "\n"
            << "Countdown reset: " << (m.CdResetOn ? "on" : "off") << ", period " << m.CdResetPeriod << ", day "
            << m.CdResetDay << ", time " << secondsText(m.CdResetTime) << ", date " << dateText(m.CdResetDate) << "\n";
  std::string condOn;
  for (std::size_t i = 0; i < m.CdCondOn.size(); ++i)
    if (m.CdCondOn[i]) condOn += (condOn.empty() ? "" : " ") + std::to_string(i);
  std::cout << "Countdown conditions on: " << (condOn.empty() ? "none" : condOn) << "\n"
            << "Currency: " << quoted(m.CurSymbol) << "\n"
            << "Comma decimal: " << (m.CommaDecimal ? "yes" : "no") << "\n"
            << "Weekly days off: " << weekDaysText(m.WeekOff) << "\n"
            << "Holiday count: " << m.HolidayCount;
  if (static_cast<std::size_t>(m.HolidayCount) != r.holidays.size()) std::cout << " (out of range; showing " << r.holidays.size() << ")";
  std::cout << "\nChangeCode: " << int{m.ChangeCode} << "\n";

  std::size_t inUse = 0;
  for (const auto& c : r.live) inUse += c.InUse ? 1 : 0;
  std::cout << "Conditions (" << inUse << " in use):\n";
  for (std::size_t i = 0; i < r.live.size(); ++i)
    if (r.live[i].InUse) std::cout << "  " << i + 1 << ": " << conditionLine(r.live[i], m.CurSymbol) << "\n";

  std::cout << "Holidays (" << r.holidays.size() << "):\n";
  for (const auto& h : r.holidays) std::cout << "  " << holidayLine(h) << "\n";

  std::size_t liveMarks = 0;
  for (const auto& b : r.bookmarks) liveMarks += isDeleted(b.rec) ? 0 : 1;
  std::cout << "Bookmarks (" << liveMarks << " of " << r.bookmarks.size() << " records):\n";
  for (const auto& b : r.bookmarks)
    if (!isDeleted(b.rec)) std::cout << "  " << bookmarkLine(b) << "\n";
  return 0;
}

}  // namespace zktrack
