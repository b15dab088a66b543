// SPDX-License-Identifier: GPL-3.0-or-later
// The condition store on whole files, checked byte for byte against offsets worked
// out here by hand: live slots at 10240, working slots at 15360, record 141 at 17920.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/ConditionStore.h"
#include "support/FailingCalls.h"
#include "support/FolderKit.h"

namespace prandel {
namespace {

using test::FolderKit;

constexpr std::size_t kLive = 10240;
constexpr std::size_t kWork = 15360;
constexpr std::size_t kRec = 128;
constexpr std::size_t kFileSize = 20000;

// Every byte different, and every working and live slot "in use" with its own
// pattern (InUse -1 at the start of each 128-byte slot, record 141 included).
std::vector<std::uint8_t> patternedFile(int usedWorkSlots) {
  std::vector<std::uint8_t> f(kFileSize);
  for (std::size_t i = 0; i < f.size(); ++i) f[i] = static_cast<std::uint8_t>((i * 37 + i / 128) % 251 + 1);
  for (std::size_t slot = 1; slot <= 21; ++slot) {
    const bool used = static_cast<int>(slot) <= usedWorkSlots || slot == 21;
    f[kWork + (slot - 1) * kRec] = used ? 0xFF : 0;
    f[kWork + (slot - 1) * kRec + 1] = used ? 0xFF : 0;
  }
  return f;
}

std::vector<std::uint8_t> slotBytes(const std::vector<std::uint8_t>& f, std::size_t base, int slot) {
  const auto at = f.begin() + static_cast<std::ptrdiff_t>(base + static_cast<std::size_t>(slot - 1) * kRec);
  return {at, at + static_cast<std::ptrdiff_t>(kRec)};
}

void setSlot(std::vector<std::uint8_t>& f, std::size_t base, int slot, const std::vector<std::uint8_t>& rec) {
  std::copy(rec.begin(), rec.end(), f.begin() + static_cast<std::ptrdiff_t>(base + static_cast<std::size_t>(slot - 1) * kRec));
}

// An emptied slot: everything zero but the amount (2..9), the spare byte (12) and
// the bandwidth mode (92), which keep what the slot held; the name is 20 blanks.
std::vector<std::uint8_t> emptied(const std::vector<std::uint8_t>& rec) {
  std::vector<std::uint8_t> out(kRec, 0);
  std::copy(rec.begin() + 2, rec.begin() + 10, out.begin() + 2);
  out[12] = rec[12];
  out[92] = rec[92];
  std::fill(out.begin() + 70, out.begin() + 90, ' ');
  return out;
}

struct FileKit : FolderKit {
  std::vector<std::uint8_t> before;
  explicit FileKit(int usedWorkSlots) {
    folder.close();
    before = patternedFile(usedWorkSlots);
    test::writeFileBytes(mlif(), before);
    folder.open(dir.path());
  }
  std::string mlif() const { return dir.file("mlif.zkt"); }
};

TEST(ConditionStore, CopiesAreWholeRecordsAndTouchNothingElse) {
  FileKit k(3);
  Copy_ToWork(k.files(), k.main, k.condition);
  auto want = k.before;
  std::copy(k.before.begin() + kLive, k.before.begin() + kLive + 20 * kRec, want.begin() + kWork);
  EXPECT_EQ(k.bytes(), want);

  FileKit l(3);
  Copy_ToLive(l.files(), l.main, l.condition);
  want = l.before;
  std::copy(l.before.begin() + kWork, l.before.begin() + kWork + 20 * kRec, want.begin() + kLive);
  EXPECT_EQ(l.bytes(), want);
}

TEST(ConditionStore, CopyFromAShortFileGivesEmptySlots) {
  FileKit k(0);
  k.folder.close();
  std::vector<std::uint8_t> shortFile(k.before.begin(), k.before.begin() + kLive + 3 * kRec + 50);
  test::writeFileBytes(k.mlif(), shortFile);
  k.folder.open(k.dir.path());
  Copy_ToWork(k.files(), k.main, k.condition);
  const auto after = k.bytes();
  ASSERT_EQ(after.size(), kWork + 20 * kRec);
  for (int slot = 1; slot <= 3; ++slot) EXPECT_EQ(slotBytes(after, kWork, slot), slotBytes(shortFile, kLive, slot));
  // The cut record and the missing ones read as zeros.
  std::vector<std::uint8_t> cut(kRec, 0);
  std::copy(shortFile.begin() + kLive + 3 * kRec, shortFile.end(), cut.begin());
  EXPECT_EQ(slotBytes(after, kWork, 4), cut);
  for (int slot = 5; slot <= 20; ++slot) EXPECT_EQ(slotBytes(after, kWork, slot), std::vector<std::uint8_t>(kRec, 0));
}

TEST(ConditionStore, DeleteMovesLaterSlotsDownAndEmptiesTheLast) {
  struct Case {
    int used;
    int deleted;
  };
  for (const Case c : {Case{3, 2}, Case{1, 1}, Case{20, 20}, Case{20, 1}, Case{5, 5}}) {
    FileKit k(c.used);
    deleteWorkSlot(k.files(), k.main, k.condition, c.deleted);
    auto want = k.before;
    for (int slot = c.deleted; slot <= 20; ++slot) setSlot(want, kWork, slot, slotBytes(k.before, kWork, slot + 1));
    // Slot 20 took record 141 (a used pattern here), and is then emptied.
    setSlot(want, kWork, 20, emptied(slotBytes(k.before, kWork, 21)));
    EXPECT_EQ(k.bytes(), want) << c.used << " used, deleting " << c.deleted;
    EXPECT_EQ(countUsedWorkSlots(k.files(), k.condition), c.used - 1) << c.used << " used, deleting " << c.deleted;
  }
}

TEST(ConditionStore, DeleteOutsideTheSlotsDoesNothing) {
  FileKit k(4);
  for (int slot : {0, -1, 21, 1000}) deleteWorkSlot(k.files(), k.main, k.condition, slot);
  EXPECT_EQ(k.bytes(), k.before);
}

TEST(ConditionStore, SaveKeepsTheFieldsThePanelDoesNotSet) {
  FileKit k(2);
  saveWorkSlot(k.files(), k.condition, 2, [](store::ExpenseCondition& c) { c.Amt = 2.5; });
  const auto rec = slotBytes(k.bytes(), kWork, 2);
  auto want = emptied(slotBytes(k.before, kWork, 2));
  want[0] = want[1] = 0xFF;
  const double amt = 2.5;
  std::memcpy(want.data() + 2, &amt, 8);
  EXPECT_EQ(rec, want);
}

// Each operation with each of its writes and flushes failing in turn, as a failing
// disk (EIO) or a full one (ENOSPC) fails it: it says it failed and left the file as
// it was, or says it worked and left what a clean run leaves. Never a mix.
TEST(ConditionStore, EveryFailingCallLeavesTheFileWholeAndSaysSo) {
  struct Case {
    const char* what;
    std::function<bool(FolderKit&)> run;
  };
  const Case cases[] = {
      {"copy to the working set", [](FolderKit& k) { return Copy_ToWork(k.files(), k.main, k.condition); }},
      {"the commit", [](FolderKit& k) { return commitConditions(k.files(), k.main, k.condition, true); }},
      {"a delete", [](FolderKit& k) { return deleteWorkSlot(k.files(), k.main, k.condition, 2); }},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> clean;
    int calls = 0;
    {
      FileKit k(3);
      test::FailingCalls count(0);
      ASSERT_TRUE(c.run(k)) << c.what;
      calls = count.count();
      clean = k.bytes();
      ASSERT_NE(clean, k.before) << c.what;
    }
    ASSERT_GT(calls, 3) << c.what;
    for (const int error : {EIO, ENOSPC}) {
      for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(std::string(c.what) + ", call " + std::to_string(n) + (error == EIO ? " EIO" : " ENOSPC"));
        FileKit k(3);
        bool ok = false;
        {
          test::FailingCalls fail(n, error);
          ok = c.run(k);
        }
        EXPECT_EQ(k.bytes(), ok ? clean : k.before);
      }
    }
  }
}

TEST(ConditionStore, SlotsAndRecordNumbers) {
  EXPECT_EQ(recordOfSlot(ConditionSet::Live, 1), 81);
  EXPECT_EQ(recordOfSlot(ConditionSet::Live, 20), 100);
  EXPECT_EQ(recordOfSlot(ConditionSet::Work, 1), 121);
  EXPECT_EQ(recordOfSlot(ConditionSet::Work, 20), 140);
}

}  // namespace
}  // namespace prandel
