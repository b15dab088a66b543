// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/IcsCalendar.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "store/SmallFile.h"

namespace prandel::format {
namespace {

// Rules that together need more steps than this to reach the years asked for (daily
// rules begun centuries ago) are refused rather than expanded for seconds.
constexpr int kMaxSteps = 500000;
// Two years have 731 days; a file whose events give many times more (a daily rule in
// each of thousands of events) is no holiday calendar and would fill the memory.
constexpr std::size_t kMaxDays = 5000;

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

std::string lineRef(int line) { return line > 0 ? "line " + std::to_string(line) + ": " : std::string(); }

// --- The file's lines --------------------------------------------------------------
// libical keeps no line numbers, and it quietly returns nothing for a component that
// is never closed; this pass finds both.

struct EventLines {
  int begin = 0;
  std::map<std::string, int> props;  // first line of each property
};

struct LineScan {
  std::vector<EventLines> events;  // every BEGIN:VEVENT, in file order
  std::string fault;               // the first fault of structure, with its line
};

LineScan scanLines(std::string_view text) {
  LineScan out;
  struct Open {
    std::string name;
    int line;
    int event;  // index into out.events, or -1
  };
  std::vector<Open> open;
  auto fault = [&out](int line, const std::string& what) {
    if (out.fault.empty()) out.fault = lineRef(line) + what;
  };
  auto logical = [&](const std::string& l, int line) {
    if (trimmed(l).empty()) return;
    const auto colon = l.find(':');
    const auto semi = l.find(';');
    const std::string name = upper(trimmed(std::string_view(l).substr(0, std::min(colon, semi))));
    const std::string value = colon == std::string::npos ? std::string() : upper(trimmed(std::string_view(l).substr(colon + 1)));
    if (name == "BEGIN") {
      int event = -1;
      if (value == "VEVENT") {
        event = static_cast<int>(out.events.size());
        out.events.push_back({line, {}});
      }
      open.push_back({value, line, event});
    } else if (name == "END") {
      if (open.empty()) {
        fault(line, "END:" + value + " without its BEGIN");
      } else if (open.back().name != value) {
        fault(line, "END:" + value + " where BEGIN:" + open.back().name + " of line " + std::to_string(open.back().line) +
                        " has no END:" + open.back().name);
      } else {
        open.pop_back();
      }
    } else if (open.empty()) {
      fault(line, "text outside BEGIN:VCALENDAR ... END:VCALENDAR");
    } else if (open.back().event >= 0) {
      out.events[static_cast<std::size_t>(open.back().event)].props.emplace(name, line);
    }
  };

  std::string current;
  int currentLine = 0;
  int lineNo = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view l = text.substr(pos, eol - pos);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    ++lineNo;
    // A line that begins with a blank or a tab continues the one before.
    if (!l.empty() && (l[0] == ' ' || l[0] == '\t') && currentLine > 0) {
      current.append(l.substr(1));
    } else {
      if (currentLine > 0) logical(current, currentLine);
      current.assign(l);
      currentLine = lineNo;
    }
    pos = eol + 1;
  }
  if (currentLine > 0) logical(current, currentLine);
  if (!open.empty())
    fault(open.back().line, "BEGIN:" + open.back().name + " has no END:" + open.back().name);
  return out;
}

// --- Reading the file ------------------------------------------------------------

// The whole file, or why not.
bool readCalendarFile(const std::string& path, std::string& text, std::string& error) {
  using Fault = store::SmallFile::Fault;
  store::SmallFile file = store::readSmallFile(path, kMaxIcsBytes);
  switch (file.fault) {
    case Fault::None: text = std::move(file.text); return true;
    case Fault::Missing: error = std::string("cannot be read: ") + std::strerror(file.error); break;
    case Fault::NotRegular: error = "is not a regular file"; break;
    case Fault::TooBig: error = "is larger than 1 MiB (a holiday calendar is a few kilobytes)"; break;
    case Fault::CannotOpen: error = "cannot be opened"; break;
    case Fault::Unreadable: error = "cannot be read"; break;
    case Fault::Changed: error = "changed while it was read"; break;
  }
  return false;
}

// --- Dates -------------------------------------------------------------------------

QDate dateOf(const icaltimetype& t) { return QDate(t.year, t.month, t.day); }

std::string rawDate(const icaltimetype& t) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
  return buf;
}

// Line breaks and tabs of a SUMMARY ("\n" in the file) would break the list entry.
std::string tidySummary(const char* s) {
  std::string out;
  for (const char* p = s ? s : ""; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    const bool blank = c < 0x20 || c == 0x7F || c == ' ';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(*p);
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

// RFC 5545 lets a text be empty, and calendar programs write empty DESCRIPTION: and
// LOCATION: lines (and empty X-WR-CALDESC: ones) into what they export. libical drops
// such a property and leaves a complaint in its place; the property is skipped, not
// the calendar. An empty date, rule or status is no value at all, and skipping it
// would change which days the calendar gives: that one is still refused.
bool emptyTextProperty(std::string_view why) {
  static constexpr std::string_view kHead = "No value for ", kTail = " property.";
  if (why.substr(0, kHead.size()) != kHead) return false;
  const auto tail = why.find(kTail, kHead.size());
  if (tail == std::string_view::npos) return false;
  const std::string name(why.substr(kHead.size(), tail - kHead.size()));
  if (name == "X") return true;  // libical's name for every X- property
  const icalproperty_kind kind = icalproperty_string_to_kind(name.c_str());
  return kind != ICAL_NO_PROPERTY && icalproperty_kind_to_value_kind(kind) == ICAL_TEXT_VALUE;
}

// libical's own complaints, which it leaves in the tree as X-LIC-ERROR properties:
// those of c itself, then those of every component within it.
void collectOwnErrors(icalcomponent* c, int line, std::vector<std::string>& out) {
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY)) {
    const char* why = icalproperty_get_xlicerror(p);
    if (why && emptyTextProperty(why)) continue;
    out.push_back(lineRef(line) + (line > 0 ? "in the component that begins here: " : "") + (why ? why : "?"));
  }
}

void collectErrors(icalcomponent* c, int line, std::vector<std::string>& out) {
  collectOwnErrors(c, line, out);
  for (icalcomponent* k = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); k;
       k = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT))
    collectErrors(k, line, out);
}

class Expander {
 public:
  Expander(int firstYear, int lastYear) : first_(firstYear, 1, 1), last_(lastYear, 12, 31) {}

  // One VEVENT into out; false with out.error set when it is refused.
  bool event(icalcomponent* ev, const EventLines& lines, const std::set<QDate>& replaced, IcsHolidays& out) {
    auto lineOf = [&lines](const char* prop) {
      const auto it = lines.props.find(prop);
      return it != lines.props.end() ? it->second : lines.begin;
    };
    if (icalcomponent_get_status(ev) == ICAL_STATUS_CANCELLED) {
      ++out.cancelled;
      return true;
    }
    const icaltimetype start = icalcomponent_get_dtstart(ev);
    if (icaltime_is_null_time(start)) return refuse(out, lines.begin, "the event has no DTSTART");
    if (!start.is_date) {
      ++out.timed;
      return true;
    }
    const QDate first = dateOf(start);
    if (!first.isValid()) return refuse(out, lineOf("DTSTART"), "DTSTART " + rawDate(start) + " is no calendar date");

    // DTEND is the day after the last one; without it the event is that one day.
    qint64 span = 1;
    const icaltimetype end = icalcomponent_get_dtend(ev);
    if (!icaltime_is_null_time(end)) {
      const QDate last = dateOf(end);
      if (!last.isValid()) return refuse(out, lineOf("DTEND"), "DTEND " + rawDate(end) + " is no calendar date");
      span = std::max<qint64>(1, first.daysTo(last));
    }

    // DTSTART always counts, as it does in libical's own expansion of a component.
    std::set<QDate> starts = {first};
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_RRULE_PROPERTY)) {
      if (!expandRule(icalproperty_get_rrule(p), start, span, starts))
        return refuse(out, lineOf("RRULE"), ruleError_);
    }
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_RDATE_PROPERTY)) {
      const icaldatetimeperiodtype r = icalproperty_get_rdate(p);
      const icaltimetype t = icaltime_is_null_time(r.time) ? r.period.start : r.time;
      const QDate d = dateOf(t);
      if (!d.isValid()) return refuse(out, lineOf("RDATE"), "RDATE " + rawDate(t) + " is no calendar date");
      starts.insert(d);
    }
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY))
      starts.erase(dateOf(icalproperty_get_exdate(p)));
    for (const QDate& d : replaced) starts.erase(d);

    const std::string summary = tidySummary(icalcomponent_get_summary(ev));
    const int line = lineOf("SUMMARY");
    bool any = false;
    for (const QDate& s : starts) {
      // Only the days of the span that lie within the years.
      const qint64 from = std::max<qint64>(0, s.daysTo(first_));
      const qint64 to = std::min<qint64>(span - 1, s.daysTo(last_));
      for (qint64 i = from; i <= to; ++i) {
        if (out.days.size() == kMaxDays)
          return refuse(out, lines.begin, "the events give more than " + std::to_string(kMaxDays) + " days in " +
                                              yearSpan(first_.year(), last_.year()) + "; a holiday calendar has a few dozen a year");
        out.days.push_back({s.addDays(i), summary, line});
        any = true;
      }
    }
    if (!any) ++out.outside;
    return true;
  }

 private:
  static bool refuse(IcsHolidays& out, int line, const std::string& why) {
    out.error = lineRef(line) + why;
    return false;
  }

  bool expandRule(const icalrecurrencetype& rule, const icaltimetype& start, qint64 span, std::set<QDate>& starts) {
    icalerror_clear_errno();
    std::unique_ptr<icalrecur_iterator, decltype(&icalrecur_iterator_free)> it(icalrecur_iterator_new(rule, start),
                                                                               &icalrecur_iterator_free);
    if (!it) {
      ruleError_ = std::string("RRULE refused by libical: ") + icalerror_strerror(icalerrno);
      return false;
    }
    const QDate reach = first_.addDays(-(span - 1));
    for (;; ++steps_) {
      if (steps_ == kMaxSteps) {
        ruleError_ = "RRULE repeats too often to be expanded up to " + std::to_string(last_.year());
        return false;
      }
      const icaltimetype t = icalrecur_iterator_next(it.get());
      if (icaltime_is_null_time(t)) return true;
      const QDate d = dateOf(t);
      if (!d.isValid() || d > last_) return true;
      if (d >= reach) starts.insert(d);
    }
  }

  QDate first_;
  QDate last_;
  std::string ruleError_;
  int steps_ = 0;  // of every rule so far
};

}  // namespace

std::string yearSpan(int first, int last) {
  return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

namespace {

// The file's text without a byte-order mark; false and why when it is no calendar text.
bool readCalendarText(const std::string& path, std::string& text, std::string& error) {
  if (!readCalendarFile(path, text, error)) return false;
  if (text.find('\0') != std::string::npos) {
    error = "holds zero bytes: it is no iCalendar text";
    return false;
  }
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a byte-order mark
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
    error = "is empty";
    return false;
  }
  return true;
}

// The VCALENDARs of what libical parsed: the root itself, or those under an XROOT
// when the file holds several.
std::vector<icalcomponent*> calendarsOf(icalcomponent* root) {
  std::vector<icalcomponent*> calendars;
  if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT) {
    calendars.push_back(root);
  } else if (icalcomponent_isa(root) == ICAL_XROOT_COMPONENT) {
    for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); c;
         c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
      calendars.push_back(c);
  }
  return calendars;
}

std::vector<icalcomponent*> eventsOf(const std::vector<icalcomponent*>& calendars) {
  std::vector<icalcomponent*> events;
  for (icalcomponent* cal : calendars)
    for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT))
      events.push_back(ev);
  return events;
}

// The first error libical marked in the calendars (with the line of its event) and how
// many more there are, or "" when there is none.
std::string parseErrors(const std::vector<icalcomponent*>& calendars, const std::vector<icalcomponent*>& events,
                        const std::vector<EventLines>& lines) {
  std::vector<std::string> errors;
  for (icalcomponent* cal : calendars) {
    collectOwnErrors(cal, 0, errors);
    for (icalcomponent* k = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); k;
         k = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
      const auto at = std::find(events.begin(), events.end(), k);
      collectErrors(k, at == events.end() ? 0 : lines[static_cast<std::size_t>(at - events.begin())].begin, errors);
    }
  }
  if (errors.empty()) return {};
  std::string out = errors.front();
  if (errors.size() > 1) out += " (and " + std::to_string(errors.size() - 1) + " more)";
  return out;
}

// Every event's days between the years into out; false (out.error says why) when a
// rule cannot be expanded.
bool expandEvents(const std::vector<icalcomponent*>& events, const std::vector<EventLines>& lines, int firstYear,
                  int lastYear, IcsHolidays& out) {
  // Occurrences that another VEVENT of the same UID replaces (RECURRENCE-ID) are
  // taken from that one.
  std::map<std::string, std::set<QDate>> replaced;
  for (icalcomponent* ev : events) {
    const icaltimetype rid = icalcomponent_get_recurrenceid(ev);
    const char* uid = icalcomponent_get_uid(ev);
    if (!icaltime_is_null_time(rid) && uid) replaced[uid].insert(dateOf(rid));
  }
  static const std::set<QDate> kNone;
  Expander expand(firstYear, lastYear);
  for (std::size_t i = 0; i < events.size(); ++i) {
    icalcomponent* ev = events[i];
    const char* uid = icalcomponent_get_uid(ev);
    const bool master = icaltime_is_null_time(icalcomponent_get_recurrenceid(ev));
    const auto r = master && uid ? replaced.find(uid) : replaced.end();
    if (!expand.event(ev, lines[i], r == replaced.end() ? kNone : r->second, out)) return false;
  }
  return true;
}

}  // namespace

IcsHolidays readIcsHolidays(const std::string& path, int firstYear, int lastYear) {
  IcsHolidays out;
  std::string text;
  if (!readCalendarText(path, text, out.error)) return out;
  const LineScan scan = scanLines(text);

  icalerror_set_errors_are_fatal(0);
  icalerror_clear_errno();
  Component root(icalparser_parse_string(text.c_str()), &icalcomponent_free);
  if (!root) {
    out.error = "libical found no calendar in it" + (scan.fault.empty() ? std::string() : " (" + scan.fault + ")");
    return out;
  }
  const std::vector<icalcomponent*> calendars = calendarsOf(root.get());
  if (calendars.empty()) {
    out.error = "holds no VCALENDAR";
    return out;
  }
  const std::vector<icalcomponent*> events = eventsOf(calendars);
  out.events = static_cast<int>(events.size());
  // The n-th event libical gives is the n-th BEGIN:VEVENT of the file, unless the
  // structure is broken, and then the file is refused below anyway.
  std::vector<EventLines> lines = scan.events;
  lines.resize(events.size());

  out.error = parseErrors(calendars, events, lines);
  if (!out.error.empty()) return out;
  if (!scan.fault.empty()) {
    out.error = scan.fault;
    return out;
  }
  if (!expandEvents(events, lines, firstYear, lastYear, out)) out.days.clear();
  return out;
}

}  // namespace prandel::format
