// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack export and import on real data folders: the round trip leaves every byte,
// an import writes what the editors write and nothing else, a refused file writes
// nothing.
#include <gtest/gtest.h>

#include <QDate>
#include <filesystem>

#include "ZktrackKit.h"
#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"

namespace prandel::test {
namespace {

using store::ExpenseCondition;
using store::HolidayRecord;

constexpr std::size_t kChangeCode = 1024 + store::MainRecord::Off::ChangeCode;
constexpr std::size_t kReloadFlag = 8192 + store::LinkRecord::Off::ReloadFlag;
constexpr std::size_t kLive = (ExpenseCondition::LiveBase) * ExpenseCondition::Size;
constexpr std::size_t kWork = (ExpenseCondition::WorkBase) * ExpenseCondition::Size;

RunResult zk(const std::vector<std::string>& args) { return runProgram(ZKTRACK_PATH, args); }

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(zk({"seed", "--data", data.path()}).code, 0); }
  std::string exported(const std::string& what = "all") {
    const RunResult r = zk({"export", what, "--data", data.path()});
    EXPECT_EQ(r.code, 0) << r.err;
    return r.out;
  }
  RunResult import(const std::string& text, std::vector<std::string> extra = {}) {
    writeFileText(file, text);
    std::vector<std::string> args = {"import", file, "--data", data.path()};
    args.insert(args.end(), extra.begin(), extra.end());
    return zk(args);
  }
  std::vector<std::uint8_t> mlif() const { return readFileBytes(data.file("mlif.zkt")); }

  TempDir data;
  TempDir files;
  std::string file = files.file("tariff.toml");
};

TEST_F(ImportTest, TheDemoRoundTripsByteForByte) {
  const auto before = mlif();
  const auto bit = readFileBytes(data.file("bit.zkt"));
  const std::string text = exported();
  for (const char* what : {"conditions", "holidays"}) {
    const RunResult r = import(exported(what));
    EXPECT_EQ(r.code, 0) << what << r.err;
    EXPECT_TRUE(r.has("No settings change.")) << r.out;
  }
  const RunResult r = import(text);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(changedOffsets(before, mlif()), std::vector<std::size_t>{});
  EXPECT_EQ(readFileBytes(data.file("bit.zkt")), bit);
  EXPECT_FALSE(std::filesystem::exists(data.file("mlif.zkt-journal")));
}

// Another folder's conditions and holidays, written as the editors write them.
TEST_F(ImportTest, WritesWhatTheEditorsWriteAndNothingElse) {
  TempDir other;
  ASSERT_EQ(zk({"seed", "--data", other.path()}).code, 0);
  editRecords(other.path(), [](store::DataFiles& f) {
    ExpenseCondition c;
    store::readRecord(f, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 2, c);
    c.Amt = 3.75;
    c.PerType = 7;
    c.WkStart = 5 * 1440 + 18 * 60;
    c.WkEnd = 1440 + 6 * 60;
    c.InclHoli = true;
    c.TimeType = 0;
    c.TimeStart = c.TimeEnd = 0;
    for (int base : {ExpenseCondition::LiveBase, ExpenseCondition::WorkBase})
      store::writeRecord(f, ExpenseCondition::Channel, base + 2, c);
    ExpenseCondition gone;
    for (int base : {ExpenseCondition::LiveBase, ExpenseCondition::WorkBase})
      store::writeRecord(f, ExpenseCondition::Channel, base + 4, gone);
  });
  const RunResult exportedOther = zk({"export", "--data", other.path()});
  ASSERT_EQ(exportedOther.code, 0);
  std::string text = exportedOther.out;
  text += "\n[[holiday]]\ndate = 2027-01-01\ndescription = \"New Year 2027\"\n";
  text.replace(text.find("days_off = [\"Sunday\"]"), 21, "days_off = [\"Saturday\", \"Sunday\"]");

  const auto before = mlif();
  const RunResult r = import(text);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("  changed condition 2: Amount : $ 3.75 Per Hour; Period : From Friday 18:00 To Monday 06:00"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(r.has("  removed condition 4")) << r.out;
  EXPECT_TRUE(r.has("  holidays: 6 (1 added, 0 removed)")) << r.out;
  const auto after = mlif();

  editRecords(data.path(), [&](store::DataFiles& f) {
    store::MainRecord m;
    store::MainRecIO(f, m, false);
    EXPECT_EQ(m.ChangeCode, 5) << "the holidays were written last";
    EXPECT_EQ(m.HolidayCount, 6);
    EXPECT_TRUE(m.WeekOff[0] && m.WeekOff[6]);
    HolidayRecord h;
    store::readRecord(f, HolidayRecord::Channel, HolidayRecord::Base + 6, h);
    EXPECT_EQ(Regional::datePart(h.HoliDate), QDate(2027, 1, 1));
    store::LinkRecord l;
    store::LinkRecIO(f, l, false);
    EXPECT_EQ(l.ReloadFlag, -1);
    // The live and working sets are the same, slot by slot; slot 2 has the other folder's bytes.
    for (int slot = 1; slot <= ExpenseCondition::Slots; ++slot) {
      ExpenseCondition live, work;
      store::readRecord(f, ExpenseCondition::Channel, ExpenseCondition::LiveBase + slot, live);
      store::readRecord(f, ExpenseCondition::Channel, ExpenseCondition::WorkBase + slot, work);
      EXPECT_EQ(live.raw, work.raw) << slot;
      EXPECT_EQ(live.InUse, slot <= 3) << slot;
    }
  });
  // Only the bytes of the records an editor writes changed.
  const std::vector<std::pair<std::size_t, std::size_t>> owned = {
      {1024 + store::MainRecord::Off::HolidayCount, 1024 + store::MainRecord::Off::WeekOff + 14},
      {kChangeCode, kChangeCode + 1},
      {kReloadFlag, kReloadFlag + 2},
      {kLive, kLive + 20 * ExpenseCondition::Size},
      {kWork, kWork + 20 * ExpenseCondition::Size},
      {(HolidayRecord::Base) * HolidayRecord::Size, (HolidayRecord::Base + 6) * HolidayRecord::Size},
  };
  for (const std::size_t at : changedOffsets(before, after)) {
    const bool ours = std::any_of(owned.begin(), owned.end(), [at](const auto& r) { return at >= r.first && at < r.second; });
    EXPECT_TRUE(ours) << "byte " << at << " is no editor's";
  }
}

TEST_F(ImportTest, ARefusedFileOrADryRunWritesNothing) {
  const auto before = mlif();
  RunResult r = import("[[condition]]\namount = 1\ntime = \"between\"\ntime_from = \"08:00\"\ntime_to = \"08:00\"\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "tariff.toml:4: Dont use same time for start and end period (time_from = \"08:00\")\nNothing was written.\n");

  r = import("condition = []\nholiday = []\n", {"--dry-run"});
  EXPECT_EQ(r.code, 0) << r.err;
  for (const char* line : {"  removed condition 1", "  removed condition 4", "  holidays: 0 (0 added, 5 removed)",
                           "Nothing was written (--dry-run)."})
    EXPECT_TRUE(r.has(line)) << line << "\n" << r.out;

  writeFileText(file, std::string(10 << 20, ' '));
  r = zk({"import", file, "--data", data.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("larger than 1 MiB"), std::string::npos) << r.err;

  r = zk({"import", files.file("missing.toml"), "--data", data.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(mlif(), before);
}

TEST_F(ImportTest, EmptySetsEmptyTheLists) {
  const RunResult r = import("condition = []\nholiday = []\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const RunResult shown = zk({"show", "--data", data.path()});
  EXPECT_TRUE(shown.has("Conditions (0 in use):")) << shown.out;
  EXPECT_TRUE(shown.has("Holidays (0):")) << shown.out;
}

}  // namespace
}  // namespace prandel::test
