// SPDX-License-Identifier: GPL-3.0-or-later
// The tracker's side of the record files: the countdown counted down in the main
// record, its warnings and resets, and the change notice and requests that Prandel
// leaves in the link record. Every read-change-write holds the folder's lock, and
// changes only the bytes of the fields it names.
#include <sys/stat.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "core/EditorRequests.h"
#include "store/Codec.h"
#include "store/RecordIO.h"
#include "tracker/LiveSession.h"
#include "tracker/LiveTracker.h"

namespace prandel::tracker {
namespace {

using store::LinkRecord;
using store::MainRecord;

std::string clockText(double seconds) {
  if (!std::isfinite(seconds)) return "?";
  const auto s = static_cast<long long>(std::llround(std::clamp(seconds, 0.0, 1e12)));
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return buf;
}

}  // namespace

// --- The record files ----------------------------------------------------------------

bool LiveTracker::openFiles() {
  // Records are never made here: a folder without them is priced with no conditions
  // until Prandel or zktrack writes some.
  struct stat st {};
  const std::string path = folder_ + "/mlif.zkt";
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;
  files_.openAll(folder_);
  filesOpen_ = files_.isOpen(MainRecord::Channel);
  return filesOpen_;
}

void LiveTracker::checkChangeNotice(const Instant& now) {
  struct stat st {};
  Stamp stamp;
  const std::string path = folder_ + "/mlif.zkt";
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    stamp = {true, static_cast<unsigned long long>(st.st_ino), static_cast<unsigned long long>(st.st_dev),
             static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
  }
  if (stamp == stamp_ && stampSettled_) return;
  const bool replaced = stamp_.present && stamp.present && (stamp.inode != stamp_.inode || stamp.device != stamp_.device);
  stamp_ = stamp;
  // The file system's clock moves in steps: a write in the same step as the last look
  // leaves the time as it was. Until the time is older than a step can be, the
  // link record is read at every look.
  const long long wallNs = static_cast<long long>(std::time(nullptr)) * 1000000000LL;
  stampSettled_ = !stamp.present || wallNs - stamp.mtimeNs > 2000000000LL;
  if (!stamp.present || stamp.size == 0) return;
  if (!filesOpen_ || replaced) {
    // Records that appeared (a seed) or were put in place of the old ones.
    if (replaced) files_.closeAll();
    filesOpen_ = false;
    if (!openFiles()) return;
    advanceSessions(now);
    readSettings();
    takeSettings(now, std::nullopt);
  }
  LinkRecord link;
  if (!store::readRecord(files_, LinkRecord::Channel, LinkRecord::RecordNo, link)) return;
  if (link.ReloadFlag == -1 || isSiblingRequest(link.RequestCode)) handleNotice(now);
}

void LiveTracker::handleNotice(const Instant& now) {
  // The units that began before the notice was seen are priced as they were.
  advanceSessions(now);
  std::optional<int> changeCode;
  int request = 0;
  {
    // The settings are read and the notice cleared under one hold of the lock: a
    // save of Prandel's in between would otherwise be cleared unread.
    const store::DataFiles::FolderLock lock(files_);
    LinkRecord link;
    if (!lock.held() || !store::readRecord(files_, LinkRecord::Channel, LinkRecord::RecordNo, link)) {
      stampSettled_ = false;  // tried again at the next look
      return;
    }
    if (link.ReloadFlag == -1) {
      // CdUsed takes this session's seconds before it is read with the new settings.
      writeCountdown(now, true);
      MainRecord main;
      changeCode = 0;
      if (store::readRecord(files_, MainRecord::Channel, MainRecord::RecordNo, main)) {
        changeCode = main.ChangeCode;
        if (main.ChangeCode != 0) {
          store::putByte(main.raw, MainRecord::Off::ChangeCode, 0);
          if (!files_.write(MainRecord::Channel, MainRecord::RecordNo, main.raw))
            tellProblem("cannot clear ChangeCode in " + files_.pathOf(MainRecord::Channel));
        }
      }
      readSettings();
      store::putInt16(link.raw, LinkRecord::Off::ReloadFlag, 0);
    }
    if (isSiblingRequest(link.RequestCode)) {
      request = link.RequestCode;
      store::putInt16(link.raw, LinkRecord::Off::RequestCode, 0);
    }
    if (!files_.write(LinkRecord::Channel, LinkRecord::RecordNo, link.raw)) {
      tellProblem("cannot clear the change notice in " + files_.pathOf(LinkRecord::Channel));
      stampSettled_ = false;
    }
  }
  if (changeCode) takeSettings(now, changeCode);
  if (request != 0) observer_.requestAcknowledged(request);
  statusChanged_ = true;
}

void LiveTracker::takeSettings(const Instant& now, std::optional<int> notice) {
  reloadMeters();
  noteCountdown(now);
  applyResetIfDue(now, true);
  trackNewlyTracked(now);
  statusChanged_ = true;
  if (notice) observer_.settingsReloaded(*notice);
}

// --- The countdown -------------------------------------------------------------------

void LiveTracker::noteCountdown(const Instant& now) {
  cdUsedKnown_ = tariff_.main.CdUsed;
  if (countdown_.observe(tariff_.main, now.wall)) remember(CountdownMemory::kKey, countdown_.text());
}

double LiveTracker::countdownLeft() const {
  double unwritten = countdownCarried_;
  for (const auto& [id, s] : sessions_)
    if (s->up) unwritten += s->countdownUnwritten();
  return tariff_.main.CdTotal - cdUsedKnown_ - unwritten;
}

void LiveTracker::writeCountdown(const Instant& now, bool always) {
  double add = countdownCarried_;
  for (const auto& [id, s] : sessions_)
    if (s->up) add += s->countdownUnwritten();
  if (!filesOpen_ || (add <= 0 && !always)) return;
  const store::DataFiles::FolderLock lock(files_);
  MainRecord main;
  if (!lock.held() || !store::readRecord(files_, MainRecord::Channel, MainRecord::RecordNo, main)) {
    tellProblem("cannot read the countdown in " + files_.pathOf(MainRecord::Channel));
    return;
  }
  // A CdUsed below the one last written is a countdown set anew: its warnings are
  // given again.
  if (countdown_.observe(main, now.wall)) remember(CountdownMemory::kKey, countdown_.text());
  const double used = main.CdUsed + add;
  std::int16_t status = main.CdStatus;
  const double left = main.CdTotal - used;
  if (main.CdEnabled && std::isfinite(left)) {
    if (left <= 0) status = 1;
    else if (status == 1) status = 0;  // refilled
  }
  if (add <= 0 && status == main.CdStatus) return;
  store::putDouble(main.raw, MainRecord::Off::CdUsed, used);
  store::putInt16(main.raw, MainRecord::Off::CdStatus, status);
  if (!files_.write(MainRecord::Channel, MainRecord::RecordNo, main.raw)) {
    tellProblem("cannot write the countdown to " + files_.pathOf(MainRecord::Channel));
    return;
  }
  countdownCarried_ = 0;
  for (auto& [id, s] : sessions_)
    if (s->up) s->countdownWritten = s->meter->soFar().countdownUsed;
  cdUsedKnown_ = used;
  tariff_.main.CdUsed = used;
  tariff_.main.CdStatus = status;
  if (countdown_.observe(tariff_.main, now.wall)) remember(CountdownMemory::kKey, countdown_.text());
}

void LiveTracker::checkCountdown(const Instant& now) {
  const MainRecord& m = tariff_.main;
  if (!filesOpen_ || !m.CdEnabled) return;
  const double left = countdownLeft();
  const unsigned fresh = warningsReached(m.CdTotal, left) & ~countdown_.warned;
  if (fresh == 0) return;
  const unsigned urgent = mostUrgent(fresh);
  // Warnings passed at once (the time a restart was away) are told as the most
  // urgent of them.
  countdown_.warned |= fresh;
  remember(CountdownMemory::kKey, countdown_.text());
  std::string summary, body;
  if (urgent == kRanOut) {
    if (const auto o = readTrackerOptions(log_)) options_ = *o;
    summary = "Countdown ran out";
    body = "The online time of the countdown (" + clockText(m.CdTotal) + ") is used up.";
    body += options_.disconnectAtZero ? " The connection is being ended."
                                      : " The connection stays up: the time from now on is charged.";
  } else {
    summary = urgent == kFiveMinutesLeft ? "Countdown: 5 minutes left" : "Countdown: 10 % left";
    body = clockText(left) + " of online time left of " + clockText(m.CdTotal) + ".";
  }
  const bool told = parts_.notifier && parts_.notifier->notify(summary, body, urgent != kTenPercentLeft);
  observer_.countdownWarned(summary, told);
  statusChanged_ = true;
  if (fresh & kRanOut) {
    writeCountdown(now, true);  // CdStatus 1 now, not at the next write
    if (options_.disconnectAtZero) {
      for (const auto& [id, s] : sessions_)
        if (s->up && !parts_.monitor->disconnect(id)) tellProblem("cannot end the connection \"" + s->name + "\"");
    }
  }
}

void LiveTracker::applyResetIfDue(const Instant& now, bool settingsChanged) {
  const auto rule = filesOpen_ ? resetRuleOf(tariff_.main) : std::nullopt;
  if (!rule) {
    nextReset_.reset();
    return;
  }
  const auto last = lastResetAtOrBefore(*rule, now.wall, parts_.zone);
  if (settingsChanged && reset_.rule != rule->signature()) {
    // A rule set anew (or first seen) counts from its last moment: only a moment
    // that passes under it resets the countdown.
    reset_ = {rule->signature(), last.value_or(0)};
    remember(ResetMemory::kKey, reset_.text());
  } else if (last && *last > reset_.applied) {
    // Its moment passed while the tracker ran, or while none ran.
    const store::DataFiles::FolderLock lock(files_);
    MainRecord main;
    if (!lock.held() || !store::readRecord(files_, MainRecord::Channel, MainRecord::RecordNo, main)) {
      tellProblem("cannot reset the countdown in " + files_.pathOf(MainRecord::Channel));
      nextReset_ = now.wall + 1;  // tried again
      return;
    }
    store::putDouble(main.raw, MainRecord::Off::CdUsed, 0);
    store::putInt16(main.raw, MainRecord::Off::CdStatus, 0);
    if (!files_.write(MainRecord::Channel, MainRecord::RecordNo, main.raw)) {
      tellProblem("cannot reset the countdown in " + files_.pathOf(MainRecord::Channel));
      nextReset_ = now.wall + 1;
      return;
    }
    // The seconds before the reset belong to the countdown that ended.
    countdownCarried_ = 0;
    for (auto& [id, s] : sessions_)
      if (s->up) s->countdownWritten = s->meter->soFar().countdownUsed;
    tariff_.main.CdUsed = 0;
    tariff_.main.CdStatus = 0;
    noteCountdown(now);
    reloadMeters();
    reset_.applied = *last;
    remember(ResetMemory::kKey, reset_.text());
    statusChanged_ = true;
    observer_.countdownReset(*last);
  }
  nextReset_ = nextResetAfter(*rule, now.wall, parts_.zone);
}

}  // namespace prandel::tracker
