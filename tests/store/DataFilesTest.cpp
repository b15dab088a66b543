// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "store/DataFiles.h"
#include "store/RecordIO.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace prandel::store {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

std::vector<std::uint8_t> pattern(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i * 13 + 5) & 0xFF);
  return v;
}

TEST(DataFiles, MissingFilesAreCreatedEmptyAndReadAsZeros) {
  TempDir dir;
  DataFiles f;
  EXPECT_TRUE(f.openAll(dir.path()));
  for (const char* name : {"mlif.zkt", "backrecs.zkt", "sif.zkt", "bit.zkt", "ecf.zkt"}) {
    EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_EQ(std::filesystem::file_size(dir.file(name)), 0u) << name;
  }
  MainRecord m;
  m.ChangeCode = 9;
  EXPECT_TRUE(MainRecIO(f, m, false));
  EXPECT_EQ(m.ChangeCode, 0);
  EXPECT_EQ(m.CurSymbol, std::string(8, '\0'));
  LinkRecord l;
  EXPECT_TRUE(LinkRecIO(f, l, false));
  EXPECT_EQ(l.RequestCode, 0);
  // Reading creates nothing.
  EXPECT_EQ(std::filesystem::file_size(dir.file("mlif.zkt")), 0u);
}

TEST(DataFiles, WritesTouchOnlyTheRecordsOwnBytes) {
  TempDir dir;
  const auto before = pattern(40000);
  writeFileBytes(dir.file("mlif.zkt"), before);
  DataFiles f;
  f.openAll(dir.path());
  MainRecord m;
  MainRecIO(f, m, false);
  m.ChangeCode = 3;
  MainRecIO(f, m, true);
  LinkRecord l;
  LinkRecIO(f, l, false);
  l.ReloadFlag = -1;
  LinkRecIO(f, l, true);
  const auto after = readFileBytes(dir.file("mlif.zkt"));
  const auto changed = test::changedOffsets(before, after);
  ASSERT_EQ(changed.size(), 3u);  // ChangeCode, and the two bytes of ReloadFlag
  EXPECT_EQ(changed[0], 1024u + 156);
  EXPECT_EQ(changed[1], 8192u + 244);
  EXPECT_EQ(changed[2], 8192u + 245);
}

TEST(DataFiles, ChannelsAreViewsOfOneFile) {
  TempDir dir;
  DataFiles f;
  f.openAll(dir.path());
  std::array<std::uint8_t, 4> w{1, 2, 3, 4};
  // Record 81 of the 128-byte view is byte 10240, record 161 of the 64-byte view.
  ASSERT_TRUE(f.write(channel::Conditions, 81, w));
  std::array<std::uint8_t, 4> r{};
  ASSERT_TRUE(f.read(channel::Holidays, 161, r));
  EXPECT_EQ(r, w);
  EXPECT_EQ(std::filesystem::file_size(dir.file("mlif.zkt")), 10244u);
}

TEST(DataFiles, ShortRecordIsZeroFilled) {
  TempDir dir;
  writeFileBytes(dir.file("mlif.zkt"), std::vector<std::uint8_t>(1030, 0xEE));
  DataFiles f;
  f.openAll(dir.path());
  MainRecord m;
  MainRecIO(f, m, false);
  EXPECT_EQ(m.raw[5], 0xEE);
  EXPECT_EQ(m.raw[6], 0);
  EXPECT_EQ(m.raw[162], 0);
}

TEST(DataFiles, ReadOnlyFileIsReadButNeverWritten) {
  TempDir dir;
  const auto before = pattern(2000);
  writeFileBytes(dir.file("mlif.zkt"), before);
  ::chmod(dir.file("mlif.zkt").c_str(), 0444);
  ::chmod(dir.path().c_str(), 0777);
  // Root writes through file permissions: the files are opened as an ordinary user.
  const int rc = test::runInChild([&] {
    if (!test::becomeOrdinaryUser()) return test::kChildSkipped;
    DataFiles f;
    f.openAll(dir.path());
    MainRecord m;
    if (!MainRecIO(f, m, false)) return 10;
    if (m.raw[0] != before[1024]) return 11;
    m.ChangeCode = 7;
    if (MainRecIO(f, m, true)) return 12;
    return 0;
  });
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no ordinary user to become";
  EXPECT_EQ(rc, 0) << "10: not read, 11: wrong bytes, 12: write reported as done";
  EXPECT_EQ(readFileBytes(dir.file("mlif.zkt")), before);
}

TEST(DataFiles, FolderInPlaceOfAFileOrMissingFolderFailsQuietly) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("mlif.zkt"));
  DataFiles f;
  EXPECT_FALSE(f.openAll(dir.path()));
  EXPECT_FALSE(f.isOpen(channel::Main));
  EXPECT_TRUE(f.isOpen(channel::Bookmarks));
  MainRecord m;
  m.ChangeCode = 9;
  EXPECT_FALSE(MainRecIO(f, m, false));
  EXPECT_EQ(m.ChangeCode, 9);  // a failed read leaves the buffer as it was
  EXPECT_FALSE(MainRecIO(f, m, true));

  DataFiles g;
  EXPECT_FALSE(g.openAll(dir.file("no/such/folder")));
  EXPECT_FALSE(MainRecIO(g, m, false));
}

TEST(DataFiles, ReopenSeesRecordsAppendedMeanwhile) {
  TempDir dir;
  DataFiles f;
  f.openAll(dir.path());
  EXPECT_EQ(f.fileLength(channel::Bookmarks), 0u);
  writeFileBytes(dir.file("bit.zkt"), std::vector<std::uint8_t>(1536, 0x20));
  ASSERT_TRUE(f.open(channel::Bookmarks));
  EXPECT_EQ(f.fileLength(channel::Bookmarks), 1536u);
  f.closeAll();
  EXPECT_FALSE(f.isOpen(channel::Bookmarks));
  EXPECT_FALSE(f.fileLength(channel::Bookmarks).has_value());
}

TEST(DataFiles, RecordNumbersOutOfRangeAreRefused) {
  TempDir dir;
  DataFiles f;
  f.openAll(dir.path());
  std::array<std::uint8_t, 2> b{};
  EXPECT_FALSE(f.read(channel::Main, 0, b));
  EXPECT_FALSE(f.read(channel::Main, -5, b));
  EXPECT_FALSE(f.write(channel::Main, 0, b));
  EXPECT_FALSE(f.read(99, 1, b));
  std::array<std::uint8_t, 600> tooLong{};
  EXPECT_FALSE(f.write(channel::Main, 1, tooLong));
}

}  // namespace
}  // namespace prandel::store
