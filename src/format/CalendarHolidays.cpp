// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/CalendarHolidays.h"

#include <QChar>
#include <QString>
#include <algorithm>
#include <cstdio>

#include "core/Regional.h"
#include "format/ReadableText.h"
#include "store/Cp1252.h"

namespace prandel::format {
namespace {



std::string codePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

// Letters with a stroke or without a dot have no decomposition to take the accent
// off; these are the ones European holiday names use.
QChar plainLetter(QChar c) {
  switch (c.unicode()) {
    case 0x0141: return u'L';  // Ł
    case 0x0142: return u'l';  // ł
    case 0x0110: return u'D';  // Đ
    case 0x0111: return u'd';  // đ
    case 0x0126: return u'H';  // Ħ
    case 0x0127: return u'h';  // ħ
    case 0x0131: return u'i';  // ı
    case 0x0166: return u'T';  // Ŧ
    case 0x0167: return u't';  // ŧ
    default: return c;
  }
}

// Each character that Windows-1252 lacks, as its base letter when taking its accents
// off gives one that the code page has (Ś as S, ł as l); any other stays as it is.
// The text is composed (NFC) first.
QString stripAccents(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (store::outsideCp1252(QString(c).toStdString()) == std::nullopt || c.isSurrogate()) {
      out.append(c);
      continue;
    }
    // An accent that stays a character of its own after composing (Unicode has no
    // q with a circumflex) is taken off altogether.
    if (c.category() == QChar::Mark_NonSpacing) continue;
    QString base;
    for (const QChar k : QString(plainLetter(c)).normalized(QString::NormalizationForm_D))
      if (k.category() != QChar::Mark_NonSpacing) base.append(k);
    const bool plain = base.size() == 1 && base != c && !store::outsideCp1252(base.toStdString());
    out.append(plain ? base : QString(c));
  }
  return out;
}

}  // namespace

// The first 40 characters, as the record keeps them. A text the data files' code page
// cannot hold is refused, never stored with "?" in it.
HolidayCandidate holidayCandidate(const IcsDay& d, bool strip) {
  HolidayCandidate c{d, {}, false, false, {}};
  QString text = QString::fromUtf8(d.summary);
  // Bytes that are no UTF-8 come back as U+FFFD.
  if (text.toUtf8().toStdString() != d.summary) {
    c.fault = "is not UTF-8";
    return c;
  }
  // A letter and its accent may come as two characters ("e" and U+0302): composed
  // they are the one letter ê, which the code page has.
  text = text.normalized(QString::NormalizationForm_C);
  if (strip) {
    const QString plain = stripAccents(text);
    c.stripped = plain != text;
    text = plain;
  }
  const std::u32string chars = text.toStdU32String();
  c.cut = chars.size() > kHolidayNameChars;
  std::string kept = QString::fromStdU32String(chars.substr(0, kHolidayNameChars)).toStdString();
  // A character cut away is no fault: it never reaches the file.
  if (const auto bad = store::outsideCp1252(kept)) {
    c.fault = "holds " + QString::fromUcs4(&*bad, 1).toStdString() + " (" + codePoint(*bad) +
              "), which the data files' code page, Windows-1252, cannot hold";
  }
  while (!kept.empty() && kept.back() == ' ') kept.pop_back();
  c.stored = kept;
  return c;
}


std::string candidateLine(const HolidayCandidate& c) {
  std::string out = dayText(c.ics.day) + (c.stored.empty() ? "" : " " + c.stored);
  if (c.cut && c.stripped) out += " (accents taken off, cut to 40 characters)";
  else if (c.cut) out += " (cut to 40 characters)";
  else if (c.stripped) out += " (accents taken off)";
  return out;
}

// Each SUMMARY named once, however many days its event gives.
std::vector<std::string> codePageFaults(const std::vector<HolidayCandidate>& adds) {
  std::vector<std::string> out;
  std::vector<int> seen;
  for (const HolidayCandidate& c : adds) {
    if (c.fault.empty() || std::find(seen.begin(), seen.end(), c.ics.line) != seen.end()) continue;
    seen.push_back(c.ics.line);
    // Shown with a broken byte as U+FFFD, so that the message itself is UTF-8.
    const std::string shown = readable(QString::fromUtf8(c.ics.summary).toStdString());
    out.push_back("line " + std::to_string(c.ics.line) + ": SUMMARY \"" + shown + "\" " + c.fault);
  }
  return out;
}

CalendarPlan planCalendar(const HolidayList& list, const std::vector<HolidayCandidate>& found) {
  CalendarPlan p;
  p.list = list;
  std::vector<double> listed;
  for (const HolidayEntry& e : p.list.entries) listed.push_back(e.date);
  std::vector<double> taken;  // days of the file that were added or found no room
  for (const HolidayCandidate& c : found) {
    const double date = Regional::fromDate(c.ics.day);
    if (CheckDupliDate(listed, date)) {
      p.known.push_back(c);
    } else if (CheckDupliDate(taken, date)) {
      p.twice.push_back(c);
    } else {
      taken.push_back(date);
      (holidayListFull(listed.size() + p.adds.size()) ? p.overflow : p.adds).push_back(c);
    }
  }
  return p;
}

std::vector<std::string> codePageMisfits(const std::string& file, const CalendarPlan& p, bool stripAccents) {
  std::vector<std::string> lines;
  for (const auto& f : codePageFaults(p.adds)) lines.push_back(file + ": " + f);
  if (lines.empty()) return lines;
  const bool accentsOnly = !stripAccents && std::all_of(p.adds.begin(), p.adds.end(), [](const HolidayCandidate& c) {
    return c.fault.empty() || holidayCandidate(c.ics, true).fault.empty();
  });
  lines.push_back(std::string("nothing was written; change these descriptions in the calendar") +
                  (accentsOnly ? ", or run again with --strip-accents to store them without the accents" : ""));
  return lines;
}

}  // namespace prandel::format
