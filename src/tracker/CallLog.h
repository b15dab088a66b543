// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The session log: one SQLite database per data folder, zelkora.sqlite beside the
// record files, shared by the live tracker, `zktrack log add` from a pppd hook and
// the reports, which may all have it open at once (WAL, a busy timeout, writes in
// BEGIN IMMEDIATE transactions).
//
// Every function returns whether it worked and leaves SQLite's or our reason in
// error(); nothing throws.
#include <QTimeZone>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tracker/LogTypes.h"
#include "tracker/Sqlite.h"

namespace prandel::tracker {

// Moments from `from` up to, not including, `to`.
struct Span {
  Epoch from = 0;
  Epoch to = 0;
};

// Which sessions a listing or a report takes: those whose counting started in the
// span, of one connection or of all.
struct SessionFilter {
  Span span;
  std::optional<std::string> connection;
};

class CallLog {
 public:
  static constexpr const char* kFileName = "zelkora.sqlite";
  // How long a writer waits for another one before it gives up.
  static constexpr int kBusyTimeoutMs = 10000;

  enum class Access {
    Read,   // never creates or changes the log; a log of a newer version is read
    Write,  // creates a missing log and brings an older one up to date
  };

  CallLog() = default;
  CallLog(const CallLog&) = delete;
  CallLog& operator=(const CallLog&) = delete;

  static std::string pathIn(const std::string& folder);
  // Whether folder holds a log; looking creates nothing.
  static bool existsIn(const std::string& folder);

  // Opens the log of folder, which must exist. For writing, a log that is missing
  // is made and one of an older version migrated; one of a newer version is
  // refused and left as it is.
  bool open(const std::string& folder, Access access);
  void close();
  bool isOpen() const { return db_.isOpen(); }
  const std::string& error() const { return error_; }
  // The version the file says it has (kLogVersion after a write opening).
  int fileVersion() const { return fileVersion_; }

  // --- Writing ----------------------------------------------------------------------
  // A finished session with its slices and samples, in one transaction; its id is
  // set on success.
  bool addFinished(LoggedSession& s);
  // A running session as the live tracker sees it now: inserted the first time
  // (its id is then set), else updated, its slices replaced and newSamples added
  // (a sample at a moment already logged is taken as the newer reading). One
  // transaction.
  bool saveRunning(SessionRow& s, const std::vector<SliceRow>& slices,
                   const std::vector<core::ByteSample>& newSamples);
  // The same for the session's last write: it becomes finished at s.end.
  bool finish(SessionRow& s, const std::vector<SliceRow>& slices, const std::vector<core::ByteSample>& newSamples);

  // --- Reading ----------------------------------------------------------------------
  // The sessions whose counting started in the filter's span, in order of start.
  bool sessions(const SessionFilter& filter, std::vector<SessionRow>& out);
  // One session with its slices and samples.
  bool session(std::int64_t id, LoggedSession& out);
  // The slices of the sessions of a filter, with the session they belong to.
  struct SliceOf {
    std::int64_t session = 0;
    std::string connection;
    SliceRow slice;
  };
  bool slices(const SessionFilter& filter, std::vector<SliceOf>& out);

  // What the pricing of a call needs to know of the others: the totals of the local
  // day and of the billing cycle that hold countFrom, over the sessions, finished
  // or running, whose counting started in them before countFrom, the session
  // `except` left out (the one being priced, when the log has it already).
  std::optional<core::CallHistory> historyBefore(Epoch countFrom, int cycleStartDay, std::int64_t except = 0,
                                                 const QTimeZone& zone = QTimeZone::systemTimeZone());

  // The countdown seconds used by the sessions whose counting started in span.
  std::optional<double> countdownSecondsBetween(const Span& span);

  // --- Settings ------------------------------------------------------------------------
  // A setting's value; nullopt (error() empty) when it was never set.
  std::optional<std::string> setting(const std::string& key);
  bool setSetting(const std::string& key, const std::string& value);
  // The day of the month the billing cycle starts: the stored one, else the 1st.
  // nullopt when the log cannot be read.
  std::optional<int> cycleStartDay();
  bool setCycleStartDay(int day);

  static constexpr const char* kCycleStartDayKey = "cycle_start_day";

 private:
  bool fail(const std::string& what);
  const char* lastWriteColumn() const;
  bool applyPragmas(Access access);
  bool migrate();
  bool writeSession(SessionRow& s, const std::vector<SliceRow>& slices,
                    const std::vector<core::ByteSample>& samples, bool replaceSlices);

  sql::Database db_;
  std::string error_;
  std::string path_;
  int fileVersion_ = 0;
  bool readOnly_ = true;
};

}  // namespace prandel::tracker
