// SPDX-License-Identifier: GPL-3.0-or-later
// The rollback journal: a save cut short (a child process that dies before its
// commit, as a killed program does) is played back by the next opening of the data
// folder; a journal cut short, or garbage under a journal's name, is removed without
// a byte written; a journal that cannot be dealt with is kept and its file is not
// written; a save that fails in the running program is undone at once.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>

#include "store/DataFiles.h"
#include "store/Journal.h"
#include "store/RecordIO.h"
#include "store/Transaction.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace prandel::store {
namespace {

using test::readFileBytes;
using test::runInChild;
using test::TempDir;
using test::writeFileBytes;

namespace fs = std::filesystem;

std::vector<std::uint8_t> filled(std::size_t n, std::uint8_t value) { return std::vector<std::uint8_t>(n, value); }

// mlif.zkt up to the holidays, bit.zkt with three bookmarks and a tail shorter than a record.
struct Folder {
  TempDir dir;
  std::vector<std::uint8_t> mlif = test::patternBytes(24576, 1);
  std::vector<std::uint8_t> bit = test::patternBytes(3 * 512 + 100, 2);
  Folder() { put(); }
  void put() const {
    writeFileBytes(dir.file("mlif.zkt"), mlif);
    writeFileBytes(dir.file("bit.zkt"), bit);
  }
  std::string journal(const char* file = "mlif.zkt") const { return journalPathOf(dir.file(file)); }
  bool unchanged() const {
    return readFileBytes(dir.file("mlif.zkt")) == mlif && readFileBytes(dir.file("bit.zkt")) == bit;
  }
};

using Declare = std::function<void(Transaction&)>;
using Writes = std::function<void(DataFiles&)>;

// The live conditions and MainRecord, as the expense window's OK writes them.
void declareCommit(Transaction& t) {
  t.cover(channel::Conditions, 81, 20);
  t.cover(channel::Main, 3, 1, MainRecord::Size);
}
void writeCommit(DataFiles& f) {
  for (int rec = 81; rec <= 100; ++rec) f.write(channel::Conditions, rec, filled(128, static_cast<std::uint8_t>(rec)));
  f.write(channel::Main, 3, filled(MainRecord::Size, 0xEE));
}

// A save that dies between its writes and its commit; returns the child's exit code.
int cutShort(const Folder& d, const Declare& declare, const Writes& writes) {
  return runInChild([&] {
    DataFiles f;
    f.openAll(d.dir.path());
    Transaction t(f);
    declare(t);
    if (!t.begin()) return 10;
    writes(f);
    ::_exit(0);  // no commit, no destructor: the journal stays as a killed program leaves it
    return 0;
  });
}

// What a clean save leaves.
std::vector<std::uint8_t> savedImage(const Folder& d, const Declare& declare, const Writes& writes,
                                     const char* file = "mlif.zkt") {
  DataFiles f;
  f.openAll(d.dir.path());
  Transaction t(f);
  declare(t);
  EXPECT_TRUE(t.begin());
  writes(f);
  EXPECT_TRUE(t.commit());
  f.closeAll();
  auto image = readFileBytes(d.dir.file(file));
  d.put();
  return image;
}

void reopen(const Folder& d) {
  DataFiles f;
  f.openAll(d.dir.path());
}

// The journal's trailer made right again after its body was changed.
std::vector<std::uint8_t> resealed(std::vector<std::uint8_t> bytes) {
  const std::size_t body = bytes.size() - 12;
  const auto sum = static_cast<std::uint32_t>(::crc32_z(::crc32_z(0, nullptr, 0), bytes.data(), body));
  for (int i = 0; i < 4; ++i) bytes[body + 8 + i] = static_cast<std::uint8_t>(sum >> (8 * i));
  return bytes;
}

JournalImage sampleImage() {
  JournalImage j;
  j.saveId = 0x1122334455667788u;
  j.position = 2;
  j.firstFile = "bit.zkt";
  j.file = "mlif.zkt";
  j.length = 24576;
  j.cutBack = true;
  j.regions = {{1024, test::patternBytes(163, 3)}, {10240, test::patternBytes(2560, 4)}};
  return j;
}

TEST(JournalFormat, ReadsBackAndRefusesAnyCutOrChangedByte) {
  const JournalImage j = sampleImage();
  const auto bytes = encodeJournal(j);
  const auto back = decodeJournal(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->saveId, j.saveId);
  EXPECT_EQ(back->position, 2u);
  EXPECT_EQ(back->firstFile, "bit.zkt");
  EXPECT_EQ(back->file, "mlif.zkt");
  EXPECT_EQ(back->length, j.length);
  EXPECT_TRUE(back->cutBack);
  ASSERT_EQ(back->regions.size(), 2u);
  EXPECT_EQ(back->regions[1].offset, 10240u);
  EXPECT_EQ(back->regions[1].old, j.regions[1].old);

  for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    EXPECT_FALSE(decodeJournal(std::span(bytes).first(cut))) << "cut at " << cut;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    auto changed = bytes;
    changed[at] ^= 0x20;
    EXPECT_FALSE(decodeJournal(changed)) << "byte " << at;
  }
}

TEST(JournalFormat, RefusesWhatNoSaveOfOursWrites) {
  struct Case {
    const char* what;
    std::function<void(JournalImage&)> spoil;
  };
  const Case cases[] = {
      {"a region past the old length", [](JournalImage& j) { j.regions[1].offset = j.length - 10; }},
      {"a length past any record", [](JournalImage& j) { j.length = std::uint64_t{1} << 62; }},
      {"a region at a huge offset", [](JournalImage& j) { j.regions[0].offset = ~std::uint64_t{0} - 5; }},
      {"an empty region", [](JournalImage& j) { j.regions[0].old.clear(); }},
      {"position 0", [](JournalImage& j) { j.position = 0; }},
      {"a path for a file name", [](JournalImage& j) { j.file = "../etc/passwd"; }},
      {"no file name", [](JournalImage& j) { j.file.clear(); }},
      {"a first journal of another file", [](JournalImage& j) { j.position = 1; }},
  };
  for (const auto& c : cases) {
    JournalImage j = sampleImage();
    c.spoil(j);
    EXPECT_FALSE(decodeJournal(encodeJournal(j))) << c.what;
  }
  // Counts that promise more than the journal holds, with a right checksum.
  auto bytes = encodeJournal(sampleImage());
  bytes[32] = 0xFF, bytes[33] = 0xFF, bytes[34] = 0xFF, bytes[35] = 0x7F;  // region count
  EXPECT_FALSE(decodeJournal(resealed(bytes)));
  bytes = encodeJournal(sampleImage());
  const std::size_t firstLength = 36 + 2 + 8 + 2 + 7 + 8;  // header, names, first offset
  bytes[firstLength + 3] = 0x7F;                             // 2 GiB of old bytes
  EXPECT_FALSE(decodeJournal(resealed(bytes)));
}

TEST(JournalRecovery, SaveCutShortIsPlayedBackBeforeAnythingIsRead) {
  Folder d;
  ASSERT_EQ(cutShort(d, declareCommit, writeCommit), 0);
  ASSERT_TRUE(fs::exists(d.journal()));
  EXPECT_NE(readFileBytes(d.dir.file("mlif.zkt")), d.mlif);
  EXPECT_TRUE(journalPending(d.dir.path()));

  DataFiles f;
  f.openAll(d.dir.path());
  MainRecord m;
  ASSERT_TRUE(MainRecIO(f, m, false));
  EXPECT_EQ(m.raw[0], d.mlif[1024]) << "MainRecord read as it was before the save";
  EXPECT_TRUE(d.unchanged());
  EXPECT_FALSE(fs::exists(d.journal()));
  EXPECT_FALSE(journalPending(d.dir.path()));
  // The folder is writable again.
  EXPECT_TRUE(f.write(channel::Main, 3, filled(MainRecord::Size, 1)));
}

TEST(JournalRecovery, AppendsAreCutBackAndTheShortTailPutBack) {
  Folder d;
  const Declare declare = [](Transaction& t) { t.coverAppends(channel::Bookmarks); };
  const Writes writes = [](DataFiles& f) {
    f.append(channel::Bookmarks, filled(512, 0xA1));  // over the short tail
    f.append(channel::Bookmarks, filled(512, 0xA2));
  };
  const auto saved = savedImage(d, declare, writes, "bit.zkt");
  ASSERT_EQ(saved.size(), 5u * 512);
  ASSERT_EQ(cutShort(d, declare, writes), 0);
  ASSERT_EQ(readFileBytes(d.dir.file("bit.zkt")), saved);
  reopen(d);
  EXPECT_TRUE(d.unchanged());
  EXPECT_FALSE(fs::exists(d.journal("bit.zkt")));
}

TEST(JournalRecovery, RecordsWrittenPastTheEndAreCutBack) {
  Folder d;
  d.mlif.resize(1024);  // MainRecord and the holidays lie past the end
  d.put();
  const Declare declare = [](Transaction& t) {
    t.cover(channel::Main, 3, 1, MainRecord::Size);
    t.cover(channel::Holidays, 321, 3);
  };
  ASSERT_EQ(cutShort(d, declare,
                     [](DataFiles& f) {
                       f.write(channel::Main, 3, filled(MainRecord::Size, 5));
                       for (int rec = 321; rec <= 323; ++rec) f.write(channel::Holidays, rec, filled(64, 6));
                     }),
            0);
  reopen(d);
  EXPECT_TRUE(d.unchanged());
}

TEST(JournalRecovery, JournalCutShortAtAnyLengthIsRemovedWithoutWriting) {
  Folder d;
  // A small save, so that every cut length can be tried.
  ASSERT_EQ(cutShort(
                d, [](Transaction& t) { t.cover(channel::Main, 3, 1, MainRecord::Size); },
                [](DataFiles& f) { f.write(channel::Main, 3, filled(MainRecord::Size, 0xEE)); }),
            0);
  const auto journal = readFileBytes(d.journal());
  // The file as the save left it: a journal cut short must not be played back, even
  // over a file it does not fit.
  const auto written = readFileBytes(d.dir.file("mlif.zkt"));
  for (std::size_t cut = 0; cut < journal.size(); ++cut) {
    writeFileBytes(d.journal(), std::vector<std::uint8_t>(journal.begin(), journal.begin() + static_cast<long>(cut)));
    writeFileBytes(d.dir.file("mlif.zkt"), written);
    reopen(d);
    ASSERT_FALSE(fs::exists(d.journal())) << "cut at " << cut;
    ASSERT_EQ(readFileBytes(d.dir.file("mlif.zkt")), written) << "cut at " << cut;
  }
}

TEST(JournalRecovery, GarbageUnderAJournalsNameIsRemovedWithoutWriting) {
  Folder d;
  ASSERT_EQ(cutShort(d, declareCommit, writeCommit), 0);
  const auto valid = readFileBytes(d.journal());
  d.put();
  auto flipped = valid;
  flipped[valid.size() / 2] ^= 1;
  auto pastEnd = valid;
  pastEnd[24] = 0x10;  // the old length down to 16 bytes: every region lies past it
  pastEnd[25] = 0;
  auto otherFile = decodeJournal(valid);
  ASSERT_TRUE(otherFile);
  otherFile->file = otherFile->firstFile = "bit.zkt";
  const std::vector<std::vector<std::uint8_t>> garbage = {
      {}, test::patternBytes(5000, 9), flipped, resealed(pastEnd), encodeJournal(*otherFile), filled(4096, 0)};
  for (std::size_t k = 0; k < garbage.size(); ++k) {
    writeFileBytes(d.journal(), garbage[k]);
    DataFiles f;
    f.openAll(d.dir.path());
    EXPECT_FALSE(fs::exists(d.journal())) << k;
    EXPECT_TRUE(d.unchanged()) << k;
    EXPECT_TRUE(f.write(channel::Main, 3, filled(MainRecord::Size, 1))) << k;
    f.closeAll();
    d.put();
  }
}

TEST(JournalRecovery, SomethingElseUnderAJournalsNameIsLeftAndItsFileNotWritten) {
  Folder d;
  fs::create_directory(d.journal());
  DataFiles f;
  EXPECT_TRUE(f.openAll(d.dir.path()));
  EXPECT_TRUE(fs::is_directory(d.journal()));
  EXPECT_TRUE(journalPending(d.dir.path()));
  std::array<std::uint8_t, 64> rec{};
  EXPECT_TRUE(f.read(channel::Holidays, 1, rec));
  EXPECT_FALSE(f.write(channel::Holidays, 1, rec));
  Transaction t(f);
  t.cover(channel::Holidays, 1);
  EXPECT_FALSE(t.begin());
  EXPECT_TRUE(f.write(channel::Bookmarks, 1, filled(512, 3))) << "bit.zkt has no journal of its own";
  EXPECT_TRUE(readFileBytes(d.dir.file("mlif.zkt")) == d.mlif);
}

// The journal stays where it cannot be played back or removed, and until then its file
// is read but never written.
void expectKeptAndNotWritten(const Folder& d, const std::vector<std::uint8_t>& written) {
  DataFiles f;
  f.openAll(d.dir.path());
  if (!fs::exists(d.journal())) ::_exit(20);
  if (readFileBytes(d.dir.file("mlif.zkt")) != written) ::_exit(21);
  MainRecord m;
  if (!MainRecIO(f, m, false)) ::_exit(22);
  if (MainRecIO(f, m, true)) ::_exit(23);
  if (f.reserve(channel::Holidays, 321, 2)) ::_exit(24);
  if (!journalPending(d.dir.path())) ::_exit(25);
}

TEST(JournalRecovery, ReadOnlyFolderKeepsTheJournal) {
  Folder d;
  ASSERT_EQ(cutShort(d, declareCommit, writeCommit), 0);
  const auto written = readFileBytes(d.dir.file("mlif.zkt"));
  const int rc = runInChild([&] {
    if (::unshare(CLONE_NEWNS) != 0) return test::kChildSkipped;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return test::kChildSkipped;
    const char* p = d.dir.path().c_str();
    if (::mount(p, p, nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, p, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      return test::kChildSkipped;
    expectKeptAndNotWritten(d, written);
    return 0;
  });
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no mount namespace (needs CAP_SYS_ADMIN)";
  EXPECT_EQ(rc, 0);
  reopen(d);
  EXPECT_TRUE(d.unchanged()) << "played back once the folder is writable";
}

TEST(JournalRecovery, JournalTheUserCannotWriteIsKept) {
  Folder d;
  ASSERT_EQ(cutShort(d, declareCommit, writeCommit), 0);
  const auto written = readFileBytes(d.dir.file("mlif.zkt"));
  // The records are the user's to write, the journal (another user's) is not.
  fs::permissions(d.dir.path(), fs::perms::all);
  fs::permissions(d.dir.file("mlif.zkt"), fs::perms::all);
  fs::permissions(d.journal(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                   fs::perms::others_read);
  const int rc = runInChild([&] {
    if (!test::becomeOrdinaryUser()) return test::kChildSkipped;
    expectKeptAndNotWritten(d, written);
    return 0;
  });
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no ordinary user to become";
  EXPECT_EQ(rc, 0);
}

// Another program caught in the middle of what it does: the child runs `upTo` and,
// when that worked, waits for the parent's word before it runs `then` and ends.
class PausedChild {
 public:
  PausedChild(const std::function<bool()>& upTo, const std::function<bool()>& then) {
    if (::pipe(toParent_) != 0 || ::pipe(toChild_) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      if (!upTo()) ::_exit(10);
      char c = 'p';
      if (::write(toParent_[1], &c, 1) != 1 || ::read(toChild_[0], &c, 1) != 1) ::_exit(11);
      ::_exit(then() ? 0 : 12);
    }
    char c = 0;
    paused_ = pid_ > 0 && ::read(toParent_[0], &c, 1) == 1;
  }
  ~PausedChild() {
    resume();
    for (int fd : {toParent_[0], toParent_[1], toChild_[0], toChild_[1]}) ::close(fd);
  }
  bool paused() const { return paused_; }
  // The child's exit code once it has gone on and ended; -1 when there is none.
  int resume() {
    if (pid_ <= 0) return -1;
    const char c = 'r';
    if (::write(toChild_[1], &c, 1) != 1) return -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  int toParent_[2] = {-1, -1};
  int toChild_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool paused_ = false;
};

TEST(JournalRecovery, SaveRunningInAnotherProcessIsLeftAlone) {
  Folder d;
  DataFiles other;
  Transaction save(other);
  PausedChild child(
      [&] {
        other.openAll(d.dir.path());
        declareCommit(save);
        if (!save.begin()) return false;
        writeCommit(other);
        return true;
      },
      [&] { return save.commit(); });
  ASSERT_TRUE(child.paused());
  const auto written = readFileBytes(d.dir.file("mlif.zkt"));
  {
    DataFiles f;
    f.setLockWait(std::chrono::milliseconds(100));
    f.openAll(d.dir.path());
    EXPECT_TRUE(fs::exists(d.journal())) << "taken for one left by a save cut short";
    EXPECT_EQ(readFileBytes(d.dir.file("mlif.zkt")), written);
    // Until that save ends this one waits, and gives up rather than write beside it.
    EXPECT_FALSE(f.write(channel::Holidays, 400, filled(64, 1)));
    MainRecord m;
    ASSERT_TRUE(MainRecIO(f, m, false));
    EXPECT_EQ(m.raw[0], d.mlif[1024]) << "read as it was before the running save";
  }
  EXPECT_EQ(child.resume(), 0);
  EXPECT_FALSE(fs::exists(d.journal()));
}

// --- Saves over two files ----------------------------------------------------------------

void declareImport(Transaction& t) {
  t.coverAppends(channel::Bookmarks);
  t.cover(channel::Main, 3, 1, MainRecord::Size);
}
void writeImport(DataFiles& f) {
  f.append(channel::Bookmarks, filled(512, 0xB1));
  f.append(channel::Bookmarks, filled(512, 0xB2));
  f.write(channel::Main, 3, filled(MainRecord::Size, 6));
}

TEST(JournalRecovery, TwoFilesCutShortAreBothPutBack) {
  Folder d;
  ASSERT_EQ(cutShort(d, declareImport, writeImport), 0);
  ASSERT_TRUE(fs::exists(d.journal("bit.zkt")));
  ASSERT_TRUE(fs::exists(d.journal("mlif.zkt")));
  reopen(d);
  EXPECT_TRUE(d.unchanged());
  EXPECT_FALSE(journalPending(d.dir.path()));
}

TEST(JournalRecovery, SaveWhoseFirstJournalIsGoneHasTakenEffect) {
  Folder d;
  const auto bitSaved = savedImage(d, declareImport, writeImport, "bit.zkt");
  const auto mlifSaved = savedImage(d, declareImport, writeImport, "mlif.zkt");
  ASSERT_EQ(cutShort(d, declareImport, writeImport), 0);
  // Cut short between the removal of the first journal and of the second.
  ASSERT_TRUE(fs::remove(d.journal("bit.zkt")));
  reopen(d);
  EXPECT_FALSE(fs::exists(d.journal("mlif.zkt")));
  EXPECT_EQ(readFileBytes(d.dir.file("bit.zkt")), bitSaved);
  EXPECT_EQ(readFileBytes(d.dir.file("mlif.zkt")), mlifSaved);
}

// --- In the running program -----------------------------------------------------------------

TEST(Transaction, CleanSaveLeavesTheNewBytesAndNoJournal) {
  Folder d;
  DataFiles f;
  f.openAll(d.dir.path());
  Transaction t(f);
  declareImport(t);
  ASSERT_TRUE(t.begin());
  EXPECT_TRUE(fs::exists(d.journal("bit.zkt")) && fs::exists(d.journal("mlif.zkt")));
  writeImport(f);
  EXPECT_TRUE(t.commit());
  EXPECT_FALSE(journalPending(d.dir.path()));
  const auto bit = readFileBytes(d.dir.file("bit.zkt"));
  ASSERT_EQ(bit.size(), 5u * 512);
  EXPECT_EQ(bit[3 * 512], 0xB1);
  EXPECT_EQ(readFileBytes(d.dir.file("mlif.zkt"))[1024], 6);
}

TEST(Transaction, FailedSaveIsUndoneAtOnce) {
  struct Case {
    const char* what;
    std::function<void(DataFiles&)> fault;
    bool commit;
  };
  const Case cases[] = {
      {"a write outside what was declared", [](DataFiles& f) { f.write(channel::Main, 17, filled(64, 1)); }, true},
      {"an append not declared", [](DataFiles& f) { f.append(channel::Holidays, filled(64, 1)); }, true},
      {"a read that fails", [](DataFiles& f) { std::array<std::uint8_t, 64> b{}; f.read(channel::Holidays, 0, b); },
       true},
      {"a channel closed under the save", [](DataFiles& f) { f.close(channel::Conditions); }, true},
      {"no commit", [](DataFiles&) {}, false},
  };
  for (const auto& c : cases) {
    Folder d;
    DataFiles f;
    f.openAll(d.dir.path());
    {
      Transaction t(f);
      declareCommit(t);
      ASSERT_TRUE(t.begin()) << c.what;
      f.write(channel::Conditions, 81, filled(128, 0x55));
      c.fault(f);
      writeCommit(f);
      if (c.commit) {
        EXPECT_FALSE(t.commit()) << c.what;
      }
    }
    EXPECT_TRUE(d.unchanged()) << c.what;
    EXPECT_FALSE(journalPending(d.dir.path())) << c.what;
  }
}

TEST(Transaction, JoinedSaveIsPartOfTheOuterOne) {
  Folder d;
  DataFiles f;
  f.openAll(d.dir.path());
  Transaction outer(f);
  declareCommit(outer);
  ASSERT_TRUE(outer.begin());
  {
    Transaction inner(f);
    inner.cover(channel::Conditions, 81, 20);
    ASSERT_TRUE(inner.begin());
    f.write(channel::Conditions, 82, filled(128, 0x66));
    EXPECT_TRUE(inner.commit());
  }
  EXPECT_TRUE(fs::exists(d.journal())) << "the outer save is still running";
  {
    Transaction inner(f);
    ASSERT_TRUE(inner.begin());
    f.write(channel::Holidays, 400, filled(64, 1));  // declared by neither
    EXPECT_FALSE(inner.commit());
  }
  EXPECT_FALSE(outer.commit());
  EXPECT_TRUE(d.unchanged());
}

TEST(Transaction, WithoutJournalTheWritesGoStraightThrough) {
  Folder d;
  DataFiles f;
  f.openAll(d.dir.path());
  f.setJournaled(false);
  Transaction t(f);
  declareCommit(t);
  ASSERT_TRUE(t.begin());
  EXPECT_FALSE(journalPending(d.dir.path()));
  writeCommit(f);
  EXPECT_TRUE(t.commit());
  EXPECT_EQ(readFileBytes(d.dir.file("mlif.zkt"))[1024], 0xEE);
}

// --- One save at a time, and what readers see -------------------------------------------

// A program that has had the folder open since before another program's save was cut
// short: its next write must come after that save is undone, or the undoing would
// later wipe it (the tracker's CdUsed, a bookmark it appended).
TEST(FolderLock, AWriteAfterASaveCutShortElsewhereLandsAfterItsPlayback) {
  struct Case {
    const char* what;
    Declare declare;
    Writes cut;
    Writes later;
    std::function<void(const Folder&)> expect;
  };
  const Case cases[] = {
      {"MainRecord written after a cut commit", declareCommit, writeCommit,
       [](DataFiles& f) { f.write(channel::Main, 3, filled(MainRecord::Size, 0x99)); },
       [](const Folder& d) {
         auto want = d.mlif;
         std::fill_n(want.begin() + 1024, MainRecord::Size, 0x99);
         EXPECT_EQ(readFileBytes(d.dir.file("mlif.zkt")), want);
         EXPECT_EQ(readFileBytes(d.dir.file("bit.zkt")), d.bit);
       }},
      {"a bookmark appended after a cut import", declareImport, writeImport,
       [](DataFiles& f) { EXPECT_TRUE(f.append(channel::Bookmarks, filled(512, 0xC3))); },
       [](const Folder& d) {
         const auto bit = readFileBytes(d.dir.file("bit.zkt"));
         ASSERT_EQ(bit.size(), 4u * 512) << "the cut import's bookmarks are gone, the later one is there";
         EXPECT_TRUE(std::equal(d.bit.begin(), d.bit.begin() + 3 * 512, bit.begin()));
         EXPECT_EQ(bit[3 * 512], 0xC3);
         EXPECT_EQ(readFileBytes(d.dir.file("mlif.zkt")), d.mlif);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Folder d;
    DataFiles early;
    early.openAll(d.dir.path());
    ASSERT_EQ(cutShort(d, c.declare, c.cut), 0);
    ASSERT_TRUE(journalPending(d.dir.path()));
    c.later(early);
    EXPECT_FALSE(journalPending(d.dir.path()));
    early.closeAll();
    reopen(d);
    c.expect(d);
  }
}

TEST(FolderLock, SavesOfTwoProgramsTakeTurns) {
  Folder d;
  DataFiles other;
  PausedChild child(
      [&] {
        other.openAll(d.dir.path());
        return other.lockFolder();
      },
      [&] {
        other.unlockFolder();
        return true;
      });
  ASSERT_TRUE(child.paused());
  DataFiles f;
  f.setLockWait(std::chrono::milliseconds(50));
  f.openAll(d.dir.path());
  EXPECT_FALSE(f.write(channel::Main, 3, filled(MainRecord::Size, 1))) << "written while another program saves";
  {
    Transaction t(f);
    declareCommit(t);
    EXPECT_FALSE(t.begin());
  }
  EXPECT_TRUE(d.unchanged());
  EXPECT_EQ(child.resume(), 0);
  f.setLockWait(std::chrono::milliseconds(2000));
  EXPECT_TRUE(f.write(channel::Main, 3, filled(MainRecord::Size, 1)));
  // Taken again within one program it only counts.
  ASSERT_TRUE(f.lockFolder());
  EXPECT_TRUE(f.write(channel::Main, 3, filled(MainRecord::Size, 2)));
  f.unlockFolder();
}

TEST(FolderLock, ReadersSeeTheRecordsAsTheyWereBeforeASaveCutShort) {
  Folder d;
  d.bit.resize(3 * 512);  // whole records: the appends lie past the end
  d.put();
  const Declare declare = [](Transaction& t) {
    declareImport(t);
    t.cover(channel::Conditions, 81, 20);
  };
  const Writes writes = [](DataFiles& f) {
    writeImport(f);
    writeCommit(f);
  };
  ASSERT_EQ(cutShort(d, declare, writes), 0);
  const auto mlifCut = readFileBytes(d.dir.file("mlif.zkt"));
  const auto bitCut = readFileBytes(d.dir.file("bit.zkt"));
  ASSERT_NE(mlifCut, d.mlif);

  DataFiles f;
  ASSERT_TRUE(f.openAllForReading(d.dir.path()));
  std::vector<std::uint8_t> live(20 * 128);
  ASSERT_TRUE(f.readRecords(channel::Conditions, 81, 20, live));
  EXPECT_TRUE(std::equal(live.begin(), live.end(), d.mlif.begin() + 10240));
  std::array<std::uint8_t, MainRecord::Size> main{};
  ASSERT_TRUE(f.read(channel::Main, 3, main));
  EXPECT_TRUE(std::equal(main.begin(), main.end(), d.mlif.begin() + 1024));
  EXPECT_EQ(f.fileLength(channel::Bookmarks), 3u * 512) << "the bookmarks the save appended are not there yet";
  std::array<std::uint8_t, 512> past{};
  past.fill(7);
  ASSERT_TRUE(f.read(channel::Bookmarks, 4, past));
  EXPECT_EQ(past, (std::array<std::uint8_t, 512>{}));
  ASSERT_EQ(f.journals().size(), 2u);
  for (const auto& j : f.journals()) EXPECT_EQ(j.kind, JournalState::Kind::CutSave) << j.file;
  // Looking changed nothing.
  EXPECT_EQ(readFileBytes(d.dir.file("mlif.zkt")), mlifCut);
  EXPECT_EQ(readFileBytes(d.dir.file("bit.zkt")), bitCut);
  EXPECT_TRUE(fs::exists(d.journal()) && fs::exists(d.journal("bit.zkt")));
}

TEST(FolderLock, AJournalThatIsNoFileIsNamedWithWhatItIs) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
  };
  const Case cases[] = {
      {"a folder", [](const std::string& p) { fs::create_directory(p); }},
      {"a named pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
      {"a symbolic link", [](const std::string& p) { fs::create_symlink("/etc/passwd", p); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Folder d;
    c.make(d.journal());
    for (const bool reading : {false, true}) {
      DataFiles f;
      reading ? f.openAllForReading(d.dir.path()) : f.openAll(d.dir.path());
      ASSERT_EQ(f.journals().size(), 1u);
      const JournalState& j = f.journals().front();
      EXPECT_EQ(j.kind, JournalState::Kind::NotRegular);
      EXPECT_EQ(describeJournal(j), d.journal() + " is " + c.what + ", not a journal of ours");
      if (!reading) {
        EXPECT_FALSE(f.write(channel::Main, 3, filled(MainRecord::Size, 1)));
      }
    }
    EXPECT_TRUE(d.unchanged());
  }
}

}  // namespace
}  // namespace prandel::store
