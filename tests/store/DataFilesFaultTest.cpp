// SPDX-License-Identifier: GPL-3.0-or-later
// Faults of the file system under the record files: a file size limit, a full disk,
// and another program appending to the same file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "store/BookmarkRecord.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace prandel::store {
namespace {

using test::readFileBytes;
using test::runInChild;
using test::TempDir;
using test::writeFileBytes;

std::uintmax_t sizeOf(const std::string& path) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(path, ec);
  return ec ? 0 : n;
}

// A bookmark-sized record that says who wrote it and its number.
std::vector<std::uint8_t> taggedRecord(char who, std::uint32_t k) {
  std::vector<std::uint8_t> r(BookmarkRecord::Size, static_cast<std::uint8_t>(who));
  std::memcpy(r.data() + 1, &k, sizeof k);
  return r;
}

// Each check of a child has its own exit code, so a failure names the check.
TEST(DataFilesFaults, FileSizeLimitRefusesARecordWholeInsteadOfCuttingIt) {
  TempDir dir;
  const auto mlif = test::patternBytes(1024, 3);
  const auto bit = test::patternBytes(1024, 9);
  writeFileBytes(dir.file("mlif.zkt"), mlif);
  writeFileBytes(dir.file("bit.zkt"), bit);
  const int rc = runInChild([&] {
    // The limit's signal would end the program; the write must fail instead.
    std::signal(SIGXFSZ, SIG_IGN);
    DataFiles f;
    f.openAll(dir.path());
    const rlimit lim{1100, 1100};
    if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) return test::kChildSkipped;
    MainRecord m;
    m.ChangeCode = 6;
    if (MainRecIO(f, m, true)) return 10;  // bytes 1024..1186 cross the limit
    BookmarkRecord b;
    if (appendRecord(f, channel::Bookmarks, b)) return 11;  // bytes 1024..1535
    HolidayRecord h;
    if (!writeRecord(f, channel::Holidays, 2, h)) return 12;  // below the limit
    if (f.reserve(channel::Holidays, 17, 2)) return 13;       // 1024..1151 crosses it
    if (!f.reserve(channel::Holidays, 17, 1)) return 14;      // 1024..1087 does not
    return 0;
  });
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no file size limit can be set";
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(readFileBytes(dir.file("mlif.zkt")).size(), 1024u) << "a torn MainRecord was left";
  EXPECT_EQ(readFileBytes(dir.file("bit.zkt")), bit) << "a torn bookmark was left";
}

// A small tmpfs in a mount namespace of the child's own, filled up.
TEST(DataFilesFaults, FullDiskRefusesRecordsWhole) {
  TempDir dir;
  const std::string data = dir.path() + "/full";
  std::filesystem::create_directory(data);
  const int rc = runInChild([&] {
    if (::unshare(CLONE_NEWNS) != 0) return test::kChildSkipped;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return test::kChildSkipped;
    if (::mount("tmpfs", data.c_str(), "tmpfs", 0, "size=64k") != 0) return test::kChildSkipped;
    const std::string mlif = data + "/mlif.zkt";
    const std::string bit = data + "/bit.zkt";
    writeFileBytes(mlif, test::patternBytes(12800, 1));  // up to the end of the live conditions
    writeFileBytes(bit, test::patternBytes(8 * BookmarkRecord::Size, 2));  // one whole page
    const int filler = ::open((data + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
    std::vector<char> page(4096, 'x');
    while (::write(filler, page.data(), page.size()) > 0) {
    }
    ::close(filler);

    DataFiles f;
    f.openAll(data);
    MainRecord m;
    m.ChangeCode = 3;
    if (!MainRecIO(f, m, true)) return 20;  // its room is there already
    if (f.reserve(channel::Conditions, 121, 20)) return 21;  // the working set lies past the end
    ExpenseCondition c;
    if (writeRecord(f, channel::Conditions, 130, c)) return 22;  // a page the disk cannot give
    if (sizeOf(mlif) != 12800) return 23;
    if (appendRecord(f, channel::Bookmarks, BookmarkRecord{})) return 24;
    if (sizeOf(bit) != 8 * BookmarkRecord::Size) return 25;
    if (!f.reserve(channel::Conditions, 81, 20)) return 26;  // the live set is in place
    return 0;
  });
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no mount namespace (needs CAP_SYS_ADMIN)";
  EXPECT_EQ(rc, 0);
}

// The tracker appends bookmarks while an editor does: neither may overwrite the
// other's record, however the appends interleave.
TEST(DataFilesFaults, ConcurrentAppendsNeverOverwriteEachOther) {
  TempDir dir;
  writeFileBytes(dir.file("bit.zkt"), taggedRecord('S', 0));
  struct Shared {
    std::atomic<int> go{0};
    std::atomic<int> stop{0};
    std::atomic<std::uint32_t> appended{0};
  };
  void* mem = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mem, MAP_FAILED);
  auto* shared = new (mem) Shared;

  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The tracker: whole records with O_APPEND, as fast as it can.
    const int fd = ::open(dir.file("bit.zkt").c_str(), O_WRONLY | O_APPEND);
    while (shared->go.load() == 0) {
    }
    std::uint32_t k = 0;
    while (shared->stop.load() == 0) {
      const auto r = taggedRecord('T', k);
      if (::write(fd, r.data(), r.size()) != static_cast<ssize_t>(r.size())) ::_exit(1);
      shared->appended.store(++k);
    }
    ::_exit(0);
  }

  constexpr std::uint32_t kOwn = 4000;
  std::vector<std::int64_t> where(kOwn, 0);
  {
    DataFiles f;
    f.openAll(dir.path());
    shared->go.store(1);
    while (shared->appended.load() < 10) {
    }
    for (std::uint32_t k = 0; k < kOwn; ++k) where[k] = f.append(channel::Bookmarks, taggedRecord('P', k)).value_or(0);
  }
  shared->stop.store(1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::uint32_t theirs = shared->appended.load();
  ::munmap(mem, sizeof(Shared));

  const auto bytes = readFileBytes(dir.file("bit.zkt"));
  ASSERT_EQ(bytes.size() % BookmarkRecord::Size, 0u);
  const std::size_t records = bytes.size() / BookmarkRecord::Size;
  EXPECT_EQ(records, 1 + kOwn + theirs);
  std::map<std::pair<char, std::uint32_t>, std::int64_t> found;
  for (std::size_t i = 0; i < records; ++i) {
    const std::uint8_t* r = bytes.data() + i * BookmarkRecord::Size;
    std::uint32_t k = 0;
    std::memcpy(&k, r + 1, sizeof k);
    found[{static_cast<char>(r[0]), k}] = static_cast<std::int64_t>(i + 1);
  }
  for (std::uint32_t k = 0; k < theirs; ++k) EXPECT_TRUE(found.count({'T', k})) << "tracker record " << k << " lost";
  for (std::uint32_t k = 0; k < kOwn; ++k) {
    const auto it = found.find({'P', k});
    ASSERT_NE(it, found.end()) << "own record " << k << " lost";
    EXPECT_EQ(where[k], it->second) << "own record " << k << " reported at the wrong number";
  }
}

}  // namespace
}  // namespace prandel::store
