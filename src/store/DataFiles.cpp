// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/DataFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "store/FileOps.h"
#include "store/Journal.h"
#include "store/Transaction.h"

namespace prandel::store {
namespace {

// Opens a regular file for reading and writing, creating it when missing. A file
// that only allows reading is still opened, so that its settings can be shown.
// Anything that is not a regular file (a folder, a pipe, a device) is refused:
// opening a pipe must not block and a folder cannot hold records.
int openRecordFile(const std::string& path, bool readOnly) {
  int fd = readOnly ? -1 : ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
  if (readOnly || (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR)))
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// Takes the room for len bytes at off before they are written. Without it a write
// that meets a full disk or the file size limit stops partway (or the limit's
// signal ends the program) and leaves a torn record behind.
bool reserveRange(int fd, std::uint64_t off, std::uint64_t len) {
  if (len == 0) return true;
  struct rlimit lim {};
  if (::getrlimit(RLIMIT_FSIZE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY && off + len > lim.rlim_cur)
    return false;
  for (;;) {
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(off), static_cast<off_t>(len)) == 0) return true;
    if (errno == EINTR) continue;
    // A file system that cannot reserve is written as before.
    return errno != ENOSPC && errno != EDQUOT && errno != EFBIG;
  }
}

}  // namespace

DataFiles::~DataFiles() { closeAll(); }

const DataFiles::ChannelInfo* DataFiles::info(int channelNumber) const {
  for (const auto& c : kChannels)
    if (c.number == channelNumber) return &c;
  return nullptr;
}

DataFiles::Slot* DataFiles::slot(int channelNumber) {
  for (std::size_t i = 0; i < kChannels.size(); ++i)
    if (kChannels[i].number == channelNumber) return &slots_[i];
  return nullptr;
}

const DataFiles::Slot* DataFiles::slot(int channelNumber) const {
  return const_cast<DataFiles*>(this)->slot(channelNumber);
}

std::string DataFiles::pathOf(int channelNumber) const {
  const auto* c = info(channelNumber);
  return c ? pathOf(c->file) : std::string();
}

std::string DataFiles::pathOf(const char* file) const {
  if (folder_.empty() || folder_.back() == '/') return folder_ + file;
  return folder_ + "/" + file;
}

const char* DataFiles::fileName(int channelNumber) const {
  const auto* c = info(channelNumber);
  return c ? c->file : nullptr;
}

int DataFiles::descriptorOf(const char* file) const {
  for (std::size_t i = 0; i < kChannels.size(); ++i)
    if (slots_[i].fd >= 0 && std::strcmp(kChannels[i].file, file) == 0) return slots_[i].fd;
  return -1;
}

bool DataFiles::blocked(const char* file) const {
  return std::any_of(journals_.begin(), journals_.end(), [file](const JournalState& j) { return j.file == file; });
}

bool DataFiles::blocked(int channelNumber) const {
  const char* file = fileName(channelNumber);
  return !file || blocked(file);
}

void DataFiles::block(JournalState journal) {
  if (!blocked(journal.file.c_str())) journals_.push_back(std::move(journal));
}

std::vector<std::string> DataFiles::fileNames() {
  std::vector<std::string> files;
  for (const auto& c : kChannels)
    if (std::find(files.begin(), files.end(), c.file) == files.end()) files.emplace_back(c.file);
  return files;
}

void DataFiles::recover() { journals_ = recoverJournals(folder_, fileNames()); }

bool DataFiles::lockFolder() {
  if (lockDepth_ > 0) {
    ++lockDepth_;
    return true;
  }
  if (folderFd_ < 0) folderFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const auto deadline = std::chrono::steady_clock::now() + lockWait_;
  // A folder that cannot be opened or locked (no read right on it, a file system
  // without locks) is saved to as before: refusing every save would be worse.
  while (folderFd_ >= 0 && ::flock(folderFd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) break;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  lockDepth_ = 1;
  if (!readOnly_ && (!journals_.empty() || journalPending(folder_))) recover();
  return true;
}

void DataFiles::unlockFolder() {
  if (lockDepth_ == 0 || --lockDepth_ > 0) return;
  if (folderFd_ >= 0) ::flock(folderFd_, LOCK_UN);
}

void DataFiles::lookThrough(const char* file, std::uint64_t offset, std::span<std::uint8_t> bytes) const {
  const std::uint64_t end = offset + bytes.size();
  for (const auto& j : journals_) {
    if (!j.undo || j.file != file) continue;
    // What the save appended is not there yet.
    if (j.image.cutBack && end > j.image.length) {
      const std::uint64_t from = std::max(offset, j.image.length);
      std::memset(bytes.data() + (from - offset), 0, end - from);
    }
    for (const auto& r : j.image.regions) {
      const std::uint64_t a = std::max(offset, r.offset);
      const std::uint64_t b = std::min(end, r.offset + r.old.size());
      if (a < b) std::memcpy(bytes.data() + (a - offset), r.old.data() + (a - r.offset), b - a);
    }
  }
}

bool DataFiles::noted(bool ok) const {
  if (!ok && transaction_) transaction_->fail();
  return ok;
}

bool DataFiles::openAll(const std::string& folder) {
  closeAll();
  folder_ = folder;
  readOnly_ = false;
  // Before anything is read: a save cut short must not be seen half done. When
  // another program's save holds the folder meanwhile, its journal is read through
  // and its file left alone until a later lock.
  if (lockFolder())
    unlockFolder();
  else
    journals_ = inspectJournals(folder_, fileNames());
  bool all = true;
  for (const auto& c : kChannels) all = open(c.number) && all;
  return all;
}

bool DataFiles::openAllForReading(const std::string& folder) {
  closeAll();
  folder_ = folder;
  readOnly_ = true;
  // A save running in another program is waited for, so that its journal is not
  // taken for one cut short.
  const bool locked = lockFolder();
  journals_ = inspectJournals(folder_, fileNames());
  if (locked) unlockFolder();
  bool all = true;
  for (const auto& c : kChannels) all = open(c.number) && all;
  return all;
}

bool DataFiles::open(int channelNumber) {
  Slot* s = slot(channelNumber);
  if (!s) return false;
  close(channelNumber);
  s->fd = openRecordFile(pathOf(channelNumber), readOnly_);
  return s->fd >= 0;
}

bool DataFiles::close(int channelNumber) {
  Slot* s = slot(channelNumber);
  if (!s || s->fd < 0) return true;
  // The descriptor is gone whatever close says; EINTR leaves nothing to do again.
  const bool ok = ::close(s->fd) == 0 || errno == EINTR;
  s->fd = -1;
  return ok;
}

bool DataFiles::closeAll() {
  bool ok = true;
  // The tracker's own order, which also names channels this program never opens.
  for (int c : {1, 2, 5, 7, 11, 16, 12, 17, 33, 34, 38}) ok = close(c) && ok;
  if (folderFd_ >= 0) ::close(folderFd_);
  folderFd_ = -1;
  lockDepth_ = 0;
  journals_.clear();
  return ok;
}

bool DataFiles::isOpen(int channelNumber) const {
  const Slot* s = slot(channelNumber);
  return s && s->fd >= 0;
}

std::uint32_t DataFiles::recordLength(int channelNumber) const {
  const auto* c = info(channelNumber);
  return c ? c->recordLength : 0;
}

std::optional<std::uint64_t> DataFiles::offsetOf(int channelNumber, std::int64_t recNo) const {
  const auto* c = info(channelNumber);
  if (!c || recNo < 1) return std::nullopt;
  const auto maxRec = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max());
  if (recNo > maxRec) return std::nullopt;
  return static_cast<std::uint64_t>(recNo - 1) * c->recordLength;
}

bool DataFiles::read(int channelNumber, std::int64_t recNo, std::span<std::uint8_t> out) const {
  const Slot* s = slot(channelNumber);
  const auto off = offsetOf(channelNumber, recNo);
  if (!s || s->fd < 0 || !off || out.size() > recordLength(channelNumber)) return noted(false);
  std::vector<std::uint8_t> tmp(out.size(), 0);
  std::size_t got = 0;
  if (!file::preadFull(s->fd, tmp.data(), tmp.size(), *off, got)) return noted(false);
  lookThrough(fileName(channelNumber), *off, tmp);
  std::memcpy(out.data(), tmp.data(), tmp.size());
  return true;
}

bool DataFiles::readRecords(int channelNumber, std::int64_t firstRec, std::int64_t count,
                            std::span<std::uint8_t> out) const {
  const Slot* s = slot(channelNumber);
  const auto off = offsetOf(channelNumber, firstRec);
  if (!s || s->fd < 0 || !off || count < 0) return noted(false);
  const std::uint64_t len = static_cast<std::uint64_t>(count) * recordLength(channelNumber);
  if (out.size() != len) return noted(false);
  std::size_t got = 0;
  if (!file::preadFull(s->fd, out.data(), out.size(), *off, got)) return noted(false);
  std::memset(out.data() + got, 0, out.size() - got);
  lookThrough(fileName(channelNumber), *off, out);
  return true;
}

bool DataFiles::write(int channelNumber, std::int64_t recNo, std::span<const std::uint8_t> in) {
  const auto off = offsetOf(channelNumber, recNo);
  if (!off || in.size() > recordLength(channelNumber)) return noted(false);
  return writeAt(channelNumber, *off, in);
}

bool DataFiles::writeAt(int channelNumber, std::uint64_t offset, std::span<const std::uint8_t> in) {
  const FolderLock lock(*this);
  const Slot* s = slot(channelNumber);
  if (!lock.held() || !s || s->fd < 0 || blocked(channelNumber)) return noted(false);
  if (transaction_ && !transaction_->admits(fileName(channelNumber), offset, in.size())) return false;
  if (!reserveRange(s->fd, offset, in.size())) return noted(false);
  return noted(file::pwriteFull(s->fd, in.data(), in.size(), offset));
}

bool DataFiles::reserve(int channelNumber, std::int64_t firstRec, std::int64_t count) {
  const FolderLock lock(*this);
  const Slot* s = slot(channelNumber);
  const auto off = offsetOf(channelNumber, firstRec);
  if (!lock.held() || !s || s->fd < 0 || !off || count < 0 || blocked(channelNumber)) return noted(false);
  return noted(reserveRange(s->fd, *off, static_cast<std::uint64_t>(count) * recordLength(channelNumber)));
}

std::optional<std::int64_t> DataFiles::append(int channelNumber, std::span<const std::uint8_t> in) {
  const FolderLock lock(*this);
  const Slot* s = slot(channelNumber);
  const std::uint32_t recLen = recordLength(channelNumber);
  const auto length = fileLength(channelNumber);
  if (!lock.held() || !s || s->fd < 0 || in.empty() || in.size() > recLen || !length || blocked(channelNumber) ||
      (transaction_ && !transaction_->admitsAppend(fileName(channelNumber)))) {
    noted(false);
    return std::nullopt;
  }
  const std::uint64_t whole = *length / recLen;
  if (whole >= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    noted(false);
    return std::nullopt;
  }
  if (*length % recLen == 0 && in.size() == recLen) {
    if (!noted(reserveRange(s->fd, *length, recLen))) return std::nullopt;
    // One write at the end of the file as it is then, whoever moved it meanwhile.
    iovec iov{const_cast<std::uint8_t*>(in.data()), in.size()};
    ssize_t w = 0;
    do {
      w = ::pwritev2(s->fd, &iov, 1, -1, RWF_APPEND);
    } while (w < 0 && errno == EINTR);
    if (w == static_cast<ssize_t>(in.size())) {
      const off_t end = ::lseek(s->fd, 0, SEEK_CUR);
      const off_t start = end - static_cast<off_t>(in.size());
      if (!noted(start >= 0 && start % recLen == 0)) return std::nullopt;
      return start / recLen + 1;
    }
    if (w >= 0 || (errno != EOPNOTSUPP && errno != EINVAL && errno != ENOSYS)) {
      noted(false);
      return std::nullopt;
    }
  }
  // Without an append of its own the file system is written at the end just counted.
  const auto recNo = static_cast<std::int64_t>(whole) + 1;
  if (!write(channelNumber, recNo, in)) return std::nullopt;
  return recNo;
}

std::optional<std::uint64_t> DataFiles::fileLength(int channelNumber) const {
  const Slot* s = slot(channelNumber);
  if (!s || s->fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(s->fd, &st) != 0) return std::nullopt;
  auto length = static_cast<std::uint64_t>(st.st_size);
  const std::string file = fileName(channelNumber);
  for (const auto& j : journals_)
    if (j.undo && j.image.cutBack && j.file == file) length = std::min(length, j.image.length);
  return length;
}

}  // namespace prandel::store
