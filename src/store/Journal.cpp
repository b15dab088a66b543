// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

#include "store/DataFiles.h"
#include "store/FileOps.h"

namespace prandel::store {
namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'Z', 'K', 'T', 'J', 'R', 'N', 'L', 1};
constexpr std::size_t kTrailer = 12;  // body length (8) and checksum (4)
// The end of the last record a channel can name (record numbers are Longs).
constexpr std::uint64_t kLargestFile = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) * 512;
constexpr std::uint32_t kMostRegions = 1u << 20;
// A journal keeps old bytes of record sets, never of whole large files.
constexpr std::uint64_t kLargestJournal = 64u << 20;

void put(std::vector<std::uint8_t>& out, std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putName(std::vector<std::uint8_t>& out, const std::string& name) {
  put(out, name.size(), 2);
  out.insert(out.end(), name.begin(), name.end());
}

std::uint32_t checksum(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(::crc32_z(::crc32_z(0, nullptr, 0), bytes.data(), bytes.size()));
}

// Reads fields front to back; any read past the end leaves it failed for good.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> b) : b_(b) {}
  std::uint64_t get(int width) {
    if (!take(static_cast<std::size_t>(width))) return 0;
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) v |= static_cast<std::uint64_t>(b_[at_ - width + i]) << (8 * i);
    return v;
  }
  std::span<const std::uint8_t> bytes(std::uint64_t n) {
    if (n > b_.size() || !take(static_cast<std::size_t>(n))) return {};
    return b_.subspan(at_ - n, n);
  }
  std::string name() {
    const auto n = get(2);
    const auto s = bytes(n);
    return {s.begin(), s.end()};
  }
  bool ok() const { return ok_; }
  bool atEnd() const { return at_ == b_.size(); }

 private:
  bool take(std::size_t n) {
    if (!ok_ || n > b_.size() - at_) return ok_ = false;
    at_ += n;
    return true;
  }
  std::span<const std::uint8_t> b_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// A plain file name of the data folder, as a journal may name one.
bool plainName(const std::string& s) {
  return !s.empty() && s.size() <= 255 && s != "." && s != ".." && s.find('/') == std::string::npos &&
         s.find('\0') == std::string::npos;
}

struct Found {
  std::string file;
  std::string path;
  int fd = -1;
  bool writable = false;
  JournalImage image;
  bool undo = false;
};

std::string kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

JournalState problem(const std::string& file, const std::string& path, JournalState::Kind kind, std::string what) {
  JournalState j;
  j.file = file;
  j.journal = path;
  j.kind = kind;
  j.what = std::move(what);
  return j;
}

// What lies under a journal's name. For a recovery the journal is opened for writing
// where it can be and its lock taken; a reader only reads it.
struct Opened {
  int fd = -1;
  bool writable = false;
  std::optional<JournalState> problem;  // it is there and cannot be dealt with
};

Opened openJournal(const std::string& file, const std::string& path, bool forRecovery) {
  Opened o;
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  int fd = -1;
  if (forRecovery) {
    o.writable = true;
    fd = ::open(path.c_str(), O_RDWR | kFlags);
  }
  if (!forRecovery || (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM || errno == EISDIR))) {
    o.writable = false;
    fd = ::open(path.c_str(), O_RDONLY | kFlags);
  }
  if (fd < 0) {
    const int err = errno;
    if (err == ENOENT) return o;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
      o.problem = problem(file, path, JournalState::Kind::NotRegular, kindOf(st.st_mode));
    else
      o.problem = problem(file, path, JournalState::Kind::Unreadable, std::strerror(err));
    return o;
  }
  struct stat st {};
  // Something else under the journal's name (a folder, a pipe) is no journal of ours.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    o.problem = problem(file, path, JournalState::Kind::NotRegular, kindOf(st.st_mode));
    ::close(fd);
    return o;
  }
  if (forRecovery) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      ::close(fd);  // a save in progress: its own process finishes or undoes it
      return o;
    }
    // Removed or replaced between the open and the lock: that save has ended.
    if (!file::sameFile(fd, path)) {
      ::close(fd);
      return o;
    }
  }
  o.fd = fd;
  return o;
}

bool readAll(int fd, std::vector<std::uint8_t>& out) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size < 0) return false;
  if (static_cast<std::uint64_t>(st.st_size) > kLargestJournal) {
    out.clear();  // no journal of ours is this large: read as garbage
    return true;
  }
  out.assign(static_cast<std::size_t>(st.st_size), 0);
  std::size_t got = 0;
  if (!file::preadFull(fd, out.data(), out.size(), 0, got)) return false;
  out.resize(got);
  return true;
}

// Puts the old bytes back and makes them durable.
bool playBack(const std::string& folder, const JournalImage& image) {
  const std::string path = folder + "/" + image.file;
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  for (const auto& r : image.regions) {
    if (!ok) break;
    ok = file::pwriteFull(fd, r.old.data(), r.old.size(), r.offset);
  }
  if (ok && image.cutBack && static_cast<std::uint64_t>(st.st_size) > image.length)
    ok = ::ftruncate(fd, static_cast<off_t>(image.length)) == 0;
  ok = ok && file::syncData(fd);
  ::close(fd);
  return ok;
}

// Removes a journal whose work is done. Where the name cannot be removed the journal
// is spoilt in place instead, which a later start removes as one cut short.
bool retire(const Found& j) {
  if (::unlink(j.path.c_str()) == 0) return true;
  return j.writable && file::spoil(j.fd);
}

}  // namespace

std::vector<std::uint8_t> encodeJournal(const JournalImage& image) {
  std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
  put(out, image.saveId, 8);
  put(out, image.position, 4);
  put(out, image.cutBack ? 1 : 0, 4);
  put(out, image.length, 8);
  put(out, image.regions.size(), 4);
  putName(out, image.file);
  putName(out, image.firstFile);
  for (const auto& r : image.regions) {
    put(out, r.offset, 8);
    put(out, r.old.size(), 4);
    out.insert(out.end(), r.old.begin(), r.old.end());
  }
  const std::uint64_t body = out.size();
  const std::uint32_t sum = checksum(out);
  put(out, body, 8);
  put(out, sum, 4);
  return out;
}

std::optional<JournalImage> decodeJournal(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kMagic.size() + kTrailer) return std::nullopt;
  const auto body = bytes.first(bytes.size() - kTrailer);
  Reader trailer(bytes.last(kTrailer));
  if (trailer.get(8) != body.size() || trailer.get(4) != checksum(body)) return std::nullopt;
  if (!std::equal(kMagic.begin(), kMagic.end(), body.begin())) return std::nullopt;

  Reader in(body.subspan(kMagic.size()));
  JournalImage j;
  j.saveId = in.get(8);
  j.position = static_cast<std::uint32_t>(in.get(4));
  const auto flags = in.get(4);
  j.length = in.get(8);
  const auto count = in.get(4);
  j.file = in.name();
  j.firstFile = in.name();
  j.cutBack = (flags & 1) != 0;
  if (!in.ok() || flags > 1 || j.position < 1 || j.length > kLargestFile || count > kMostRegions ||
      !plainName(j.file) || !plainName(j.firstFile) || (j.position == 1 && j.firstFile != j.file))
    return std::nullopt;
  for (std::uint64_t i = 0; i < count; ++i) {
    JournalRegion r;
    r.offset = in.get(8);
    const auto n = in.get(4);
    const auto old = in.bytes(n);
    if (!in.ok() || n == 0 || r.offset > j.length || n > j.length - r.offset) return std::nullopt;
    r.old.assign(old.begin(), old.end());
    j.regions.push_back(std::move(r));
  }
  if (!in.atEnd()) return std::nullopt;
  return j;
}

std::string journalPathOf(const std::string& dataPath) { return dataPath + "-journal"; }

namespace {

// The journals of files, read and decoded. A journal cut short, or garbage under a
// journal's name, goes to `garbage` (the file was not touched yet); one that cannot
// be opened or read, to `stuck`.
void gather(const std::string& folder, const std::vector<std::string>& files, bool forRecovery,
            std::vector<Found>& found, std::vector<Found>& garbage, std::vector<JournalState>& stuck) {
  std::vector<std::string> seen;
  for (const auto& f : files) {
    if (std::find(seen.begin(), seen.end(), f) != seen.end()) continue;
    seen.push_back(f);
    Found j;
    j.file = f;
    j.path = journalPathOf(folder + "/" + f);
    Opened o = openJournal(f, j.path, forRecovery);
    if (o.problem) stuck.push_back(std::move(*o.problem));
    if (o.fd < 0) continue;
    j.fd = o.fd;
    j.writable = o.writable;
    std::vector<std::uint8_t> bytes;
    if (!readAll(j.fd, bytes)) {
      stuck.push_back(problem(f, j.path, JournalState::Kind::Unreadable, std::strerror(errno)));
      ::close(j.fd);
      continue;
    }
    auto image = decodeJournal(bytes);
    if (!image || image->file != f) {
      garbage.push_back(std::move(j));
      continue;
    }
    j.image = std::move(*image);
    found.push_back(std::move(j));
  }
  // A later journal of a save whose first journal is gone belongs to a save that took
  // effect: it is removed, not played back.
  for (auto& j : found) {
    j.undo = j.image.position == 1 ||
             std::any_of(found.begin(), found.end(), [&](const Found& o) {
               return o.image.position == 1 && o.file == j.image.firstFile && o.image.saveId == j.image.saveId;
             });
  }
}

JournalState stateOf(const Found& j, JournalState::Kind kind) {
  JournalState s = problem(j.file, j.path, kind, {});
  s.image = j.image;
  s.undo = j.undo;
  return s;
}

}  // namespace

std::string describeJournal(const JournalState& j) {
  switch (j.kind) {
    case JournalState::Kind::CutSave: return j.journal + " holds a save that was cut short";
    case JournalState::Kind::NotRegular: return j.journal + " is " + j.what + ", not a journal of ours";
    case JournalState::Kind::Unreadable: return j.journal + " cannot be read (" + j.what + ")";
    case JournalState::Kind::CannotRecover:
      return j.journal + " holds a save that was cut short and cannot be undone here (the folder or file is read-only)";
  }
  return j.journal;
}

std::vector<JournalState> inspectJournals(const std::string& folder, const std::vector<std::string>& files) {
  std::vector<Found> found, garbage;
  std::vector<JournalState> out;
  gather(folder, files, false, found, garbage, out);
  for (const auto& j : found) {
    if (j.undo) out.push_back(stateOf(j, JournalState::Kind::CutSave));
    ::close(j.fd);
  }
  for (const auto& j : garbage) ::close(j.fd);
  return out;
}

std::vector<JournalState> recoverJournals(const std::string& folder, const std::vector<std::string>& files) {
  std::vector<Found> found, garbage;
  std::vector<JournalState> stuck;
  gather(folder, files, true, found, garbage, stuck);
  bool removed = false;
  for (const auto& j : garbage) {
    // Cut short before its save touched the file, or not a journal at all.
    if (::unlink(j.path.c_str()) == 0)
      removed = true;
    else
      stuck.push_back(problem(j.file, j.path, JournalState::Kind::CannotRecover, std::strerror(errno)));
    ::close(j.fd);
  }

  // Later journals first: the first journal of a save stays until the others are
  // dealt with, so that a start cut short here still knows the save did not take effect.
  std::stable_sort(found.begin(), found.end(),
                   [](const Found& a, const Found& b) { return a.image.position > b.image.position; });
  for (const auto& j : found) {
    // A journal that could not be removed after its playback would play back again
    // over later writes; one that cannot be spoilt either is left as it is.
    if (j.undo && (!j.writable || !playBack(folder, j.image))) {
      stuck.push_back(stateOf(j, JournalState::Kind::CannotRecover));
    } else if (retire(j)) {
      removed = true;
    } else {
      stuck.push_back(stateOf(j, JournalState::Kind::CannotRecover));
    }
    ::close(j.fd);
  }
  if (removed) file::syncFolder(folder);
  return stuck;
}

bool journalPending(const std::string& folder) {
  for (const auto& c : DataFiles::kChannels) {
    struct stat st {};
    if (::lstat(journalPathOf(folder + "/" + c.file).c_str(), &st) == 0) return true;
  }
  return false;
}

}  // namespace prandel::store
