// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Transaction.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

#include "store/DataFiles.h"
#include "store/FileOps.h"

namespace prandel::store {
namespace {

std::uint64_t newSaveId() {
  std::uint64_t id = 0;
  if (::getrandom(&id, sizeof id, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof id))
    id = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
         (static_cast<std::uint64_t>(::getpid()) << 32);
  return id;
}

// The new journal under its name, locked, so that no other process takes it for one
// left by a save cut short. Waits a moment for another process's save of the same
// file to end; a journal left by a process that died is played back first.
int createJournal(const std::string& path, const std::string& folder, const std::string& file) {
  std::vector<std::string> names;
  for (const auto& c : DataFiles::kChannels) names.emplace_back(c.file);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
    if (fd < 0) {
      if (errno != EEXIST) return -1;
      const auto stuck = recoverJournals(folder, names);
      if (std::any_of(stuck.begin(), stuck.end(), [&](const JournalState& j) { return j.file == file; })) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    int locked = 0;
    while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    // A recovery elsewhere may have removed it as a journal cut short before the lock.
    if (locked == 0 && file::sameFile(fd, path)) return fd;
    ::close(fd);
  }
  return -1;
}

}  // namespace

Transaction::Transaction(DataFiles& files) : files_(files), journaled_(files.journaled()) {}

Transaction::~Transaction() {
  if (state_ == State::Running && !outer_) {
    failed_ = true;
    commit();
  }
  release();
}

bool Transaction::failed() const { return outer_ ? outer_->failed_ : failed_; }

void Transaction::fail() { failed_ = true; }

Transaction::Part* Transaction::part(const char* file) {
  for (auto& p : parts_)
    if (std::strcmp(p.file, file) == 0) return &p;
  return nullptr;
}

Transaction::Part* Transaction::partFor(int channelNumber) {
  const char* file = files_.fileName(channelNumber);
  if (!file || state_ != State::Declaring) return nullptr;
  if (Part* p = part(file)) return p;
  Part& p = parts_.emplace_back();
  p.file = file;
  p.recordLength = files_.recordLength(channelNumber);
  return &p;
}

void Transaction::cover(int channelNumber, std::int64_t firstRec, std::int64_t count, std::uint32_t bytes) {
  const std::uint32_t recLen = files_.recordLength(channelNumber);
  Part* p = partFor(channelNumber);
  if (!p || firstRec < 1 || count < 0 || bytes > recLen ||
      firstRec > std::numeric_limits<std::int32_t>::max() - count) {
    failed_ = true;
    return;
  }
  if (count == 0) return;
  if (bytes == 0) bytes = recLen;
  const auto first = static_cast<std::uint64_t>(firstRec - 1) * recLen;
  if (bytes == recLen) {
    p->ranges.push_back({first, first + static_cast<std::uint64_t>(count) * recLen});
    return;
  }
  for (std::int64_t i = 0; i < count; ++i) {
    const std::uint64_t at = first + static_cast<std::uint64_t>(i) * recLen;
    p->ranges.push_back({at, at + bytes});
  }
}

void Transaction::coverAppends(int channelNumber) {
  Part* p = partFor(channelNumber);
  if (!p) {
    failed_ = true;
    return;
  }
  p->appends = true;
  // The shortest record length of the file decides where an append may land.
  if (files_.recordLength(channelNumber) < p->recordLength) p->recordLength = files_.recordLength(channelNumber);
}

bool Transaction::takeOldBytes(Part& p) {
  struct stat st {};
  if (::fstat(p.fd, &st) != 0 || st.st_size < 0) return false;
  const auto length = static_cast<std::uint64_t>(st.st_size);
  p.image.file = p.file;
  p.image.length = length;
  if (p.appends) {
    // A tail shorter than a record is written over by the first append.
    p.appendFrom = length - length % p.recordLength;
    p.ranges.push_back({p.appendFrom, length});
    p.image.cutBack = true;
  }
  for (const auto& r : p.ranges) {
    if (r.end > length) p.image.cutBack = true;
    if (r.begin >= length || r.begin >= r.end) continue;
    JournalRegion region{r.begin, std::vector<std::uint8_t>(std::min(r.end, length) - r.begin)};
    std::size_t got = 0;
    if (!file::preadFull(p.fd, region.old.data(), region.old.size(), r.begin, got) || got != region.old.size())
      return false;
    p.image.regions.push_back(std::move(region));
  }
  return true;
}

bool Transaction::writeJournal(Part& p) {
  p.journalPath = journalPathOf(files_.pathOf(p.file));
  p.journalFd = createJournal(p.journalPath, files_.folder(), p.file);
  if (p.journalFd < 0) return false;
  const auto bytes = encodeJournal(p.image);
  return file::pwriteFull(p.journalFd, bytes.data(), bytes.size(), 0) && file::syncData(p.journalFd);
}

bool Transaction::begin() {
  if (files_.transaction_ && files_.transaction_ != this) {
    outer_ = files_.transaction_;
    state_ = State::Running;
    return !outer_->failed_;
  }
  if (state_ != State::Declaring || failed_ || parts_.empty()) return false;
  state_ = State::Running;
  // Every save of every program in turn; taking the lock plays back one cut short.
  locked_ = files_.lockFolder();
  if (!locked_) failed_ = true;
  for (auto& p : parts_) {
    if (failed_) break;
    const int fd = files_.descriptorOf(p.file);
    if (fd < 0 || files_.blocked(p.file) || (p.fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0)) < 0) {
      failed_ = true;
      break;
    }
  }
  if (!failed_ && journaled_) {
    const std::uint64_t id = newSaveId();
    std::uint32_t position = 0;
    for (auto& p : parts_) {
      p.image.saveId = id;
      p.image.position = ++position;
      p.image.firstFile = parts_.front().file;
      if (!takeOldBytes(p) || !writeJournal(p)) {
        failed_ = true;
        break;
      }
    }
    // The journals' names must be on the disk before the files change.
    if (!failed_ && !file::syncFolder(files_.folder())) failed_ = true;
  }
  if (failed_) {
    for (auto& p : parts_)
      if (p.journalFd >= 0 && file::sameFile(p.journalFd, p.journalPath)) ::unlink(p.journalPath.c_str());
    release();
    state_ = State::Ended;
    return false;
  }
  files_.transaction_ = this;
  return true;
}

bool Transaction::admits(const char* file, std::uint64_t offset, std::uint64_t length) {
  const Part* p = failed_ ? nullptr : part(file);
  if (p) {
    if (p->appends && offset >= p->appendFrom) return true;
    for (const auto& r : p->ranges)
      if (offset >= r.begin && offset + length <= r.end) return true;
  }
  failed_ = true;
  return false;
}

bool Transaction::admitsAppend(const char* file) {
  const Part* p = failed_ ? nullptr : part(file);
  if (p && p->appends) return true;
  failed_ = true;
  return false;
}

bool Transaction::undo() {
  bool ok = true;
  for (auto& p : parts_) {
    if (p.fd < 0) continue;
    for (const auto& r : p.image.regions) ok = file::pwriteFull(p.fd, r.old.data(), r.old.size(), r.offset) && ok;
    struct stat st {};
    if (p.image.cutBack && (::fstat(p.fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) > p.image.length))
      ok = ::ftruncate(p.fd, static_cast<off_t>(p.image.length)) == 0 && ok;
    ok = file::syncData(p.fd) && ok;
  }
  return ok;
}

// In the order they were made: the first one's removal is the moment the save takes
// effect, and each removal is on the disk before the next, so that a later start
// never sees the first journal gone and a later one still there unless the save
// took effect.
bool Transaction::removeJournals() {
  for (std::size_t k = 0; k < parts_.size(); ++k) {
    Part& p = parts_[k];
    const bool removed = ::unlink(p.journalPath.c_str()) == 0 || file::spoil(p.journalFd);
    if (!removed && k == 0) return false;
    file::syncFolder(files_.folder());
  }
  return true;
}

bool Transaction::commit() {
  if (outer_) return !outer_->failed_;
  if (state_ != State::Running) return false;
  state_ = State::Ended;
  files_.transaction_ = nullptr;
  if (!journaled_) {
    release();
    return !failed_;
  }
  if (!failed_) {
    for (auto& p : parts_)
      if (!file::syncData(p.fd)) failed_ = true;
  }
  if (!failed_ && removeJournals()) {
    release();
    return true;
  }
  // Put back; when that fails too the journals stay for the next start, and until
  // then nothing more is written to those files.
  failed_ = true;
  const bool undone = undo() && removeJournals();
  if (!undone) {
    for (const auto& p : parts_) {
      JournalState j;
      j.file = p.file;
      j.journal = p.journalPath;
      j.kind = JournalState::Kind::CannotRecover;
      j.image = p.image;
      j.undo = true;
      files_.block(std::move(j));
    }
  }
  release();
  return false;
}

// Our handles only: a journal kept for the next start stays on the disk.
void Transaction::release() {
  for (auto& p : parts_) {
    if (p.journalFd >= 0) ::close(p.journalFd);
    if (p.fd >= 0) ::close(p.fd);
    p.journalFd = -1;
    p.fd = -1;
  }
  if (locked_) files_.unlockFolder();
  locked_ = false;
}

}  // namespace prandel::store
