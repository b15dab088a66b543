// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack around saves that are cut short, refused or raced: what it shows while a
// cut save waits to be undone, what it refuses to read, what it leaves when it
// refuses, and imports turned away while an editor holds the records they write.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ZktrackKit.h"
#include "core/RecordClaims.h"
#include "platform/linux/LinuxPlatform.h"
#include "store/ExpenseCondition.h"
#include "store/Journal.h"
#include "store/RecordIO.h"
#include "store/Transaction.h"
#include "support/ChildProcess.h"

namespace prandel::test {
namespace {

namespace fs = std::filesystem;
using store::ExpenseCondition;

RunResult zk(const std::vector<std::string>& args) { return runProgram(ZKTRACK_PATH, args); }

const std::string kFrance = std::string(TEST_CALENDARS) + "/fr-holidays.ics";
constexpr const char* kCutNote = "a save to ";

struct Seeded {
  TempDir data;
  TempDir files;
  Seeded() { EXPECT_EQ(zk({"seed", "--data", data.path()}).code, 0); }
  std::vector<std::uint8_t> mlif() const { return readFileBytes(data.file("mlif.zkt")); }
  std::string journal() const { return store::journalPathOf(data.file("mlif.zkt")); }
  RunResult run(std::vector<std::string> args) const {
    args.push_back("--data");
    args.push_back(data.path());
    return zk(args);
  }
  // An import of an empty tariff killed after it wrote the live set, before its end.
  void cutImport() const {
    ASSERT_EQ(runInChild([this] {
                store::DataFiles f;
                f.openAll(data.path());
                store::Transaction t(f);
                t.cover(ExpenseCondition::Channel, ExpenseCondition::LiveBase + 1, ExpenseCondition::Slots);
                if (!t.begin()) return 10;
                for (int slot = 1; slot <= ExpenseCondition::Slots; ++slot)
                  store::writeRecord(f, ExpenseCondition::Channel, ExpenseCondition::LiveBase + slot, ExpenseCondition{});
                ::_exit(0);
                return 0;
              }),
              0);
    ASSERT_TRUE(fs::exists(journal()));
  }
};

TEST(CutSave, ReadersShowTheRecordsAsTheyWereAndSaySo) {
  Seeded f;
  const RunResult before = f.run({"show"});
  ASSERT_TRUE(before.has("Conditions (4 in use):")) << before.out;
  const std::string exported = f.run({"export"}).out;
  f.cutImport();
  const auto cut = f.mlif();

  const RunResult shown = f.run({"show"});
  EXPECT_EQ(shown.code, 0);
  EXPECT_EQ(shown.out, before.out);
  EXPECT_NE(shown.err.find(kCutNote), std::string::npos) << shown.err;
  const RunResult exportedNow = f.run({"export"});
  EXPECT_EQ(exportedNow.out, exported);
  EXPECT_NE(exportedNow.err.find(kCutNote), std::string::npos) << exportedNow.err;
  // The tariff the folder held: against the records as they were, nothing changes.
  const std::string tariff = f.files.file("tariff.toml");
  writeFileText(tariff, exported);
  const RunResult dry = f.run({"import", tariff, "--dry-run"});
  EXPECT_EQ(dry.code, 0) << dry.err;
  EXPECT_TRUE(dry.has("No settings change.")) << dry.out;
  for (const auto& args : std::vector<std::vector<std::string>>{{"which", "2026-12-14 10:00"}, {"check"}}) {
    const RunResult r = f.run(args);
    EXPECT_NE(r.err.find(kCutNote), std::string::npos) << args[0] << ": " << r.err;
  }
  EXPECT_EQ(f.mlif(), cut) << "a reader wrote";
  EXPECT_TRUE(fs::exists(f.journal()));

  // A writer undoes the cut save first; the import then finds nothing to change.
  const RunResult real = f.run({"import", tariff});
  EXPECT_EQ(real.code, 0) << real.err;
  EXPECT_TRUE(real.has("No settings change.")) << real.out;
  EXPECT_FALSE(fs::exists(f.journal()));
  EXPECT_TRUE(f.run({"show"}).has("Conditions (4 in use):"));
}

// A folder that cannot be written: the cut save cannot be undone there, and an import
// says that it could not write rather than report a folder it did not settle.
TEST(CutSave, AnImportIntoAReadOnlyFolderSaysItCouldNotWrite) {
  Seeded f;
  const std::string tariff = f.files.file("tariff.toml");
  writeFileText(tariff, f.run({"export"}).out);
  f.cutImport();
  const auto cut = f.mlif();
  const std::string d = f.data.path();
  const RunResult r = runProgram("/usr/bin/unshare",
                                 {"-m", "--propagation", "private", "sh", "-c",
                                  "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" \"$1\" || exit 77; "
                                  "exec \"$2\" import \"$3\" --data \"$1\"",
                                  "sh", d, ZKTRACK_PATH, tariff});
  if (r.code == 77) GTEST_SKIP() << "no mount namespace: " << r.err;
  EXPECT_EQ(r.code, 1) << r.out;
  EXPECT_NE(r.err.find("could not be written; nothing was changed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("cannot be undone here"), std::string::npos) << r.err;
  EXPECT_EQ(f.mlif(), cut);
}

TEST(CutSave, SeedForcePlaysItBackBeforeSeeding) {
  Seeded f;
  // Seven conditions, then a cut save over them.
  editRecords(f.data.path(), [](store::DataFiles& files) {
    for (int slot = 5; slot <= 7; ++slot) {
      ExpenseCondition c;
      c.InUse = true;
      store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + slot, c);
    }
  });
  f.cutImport();
  const RunResult seeded = f.run({"seed", "--force"});
  ASSERT_EQ(seeded.code, 0) << seeded.err;
  EXPECT_NE(seeded.out.find("4 conditions"), std::string::npos) << seeded.out;
  EXPECT_FALSE(fs::exists(f.journal()));
  EXPECT_TRUE(f.run({"show"}).has("Conditions (4 in use):"));
}

TEST(CutSave, AJournalThatIsNoFileIsNamed) {
  Seeded f;
  ASSERT_EQ(::mkfifo(f.journal().c_str(), 0600), 0);
  const auto before = f.mlif();
  const std::string tariff = f.files.file("tariff.toml");
  writeFileText(tariff, "condition = []\n");
  const RunResult r = f.run({"import", tariff});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(f.journal() + " is a named pipe, not a journal of ours"), std::string::npos) << r.err;
  EXPECT_EQ(f.mlif(), before);
  const RunResult shown = f.run({"show"});
  EXPECT_NE(shown.err.find(f.journal() + " is a named pipe"), std::string::npos) << shown.err;
}

TEST(Import, WhatIsNoRegularFileIsRefusedAsSuch) {
  Seeded f;
  const std::string fifo = f.files.file("pipe.toml");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, f.files.path(), std::string("/dev/null"), std::string("/dev/zero")}) {
    const RunResult r = f.run({"import", path});
    EXPECT_EQ(r.code, 1) << path;
    EXPECT_EQ(r.err, "zktrack: " + path + ": is not a regular file\n");
  }
}

// A folder with nothing but mlif.zkt: an import that is refused, or that changes
// nothing, must not make the other record files.
TEST(Import, ARefusedOrEmptyImportMakesNoFile) {
  Seeded f;
  for (const char* other : {"bit.zkt", "ecf.zkt", "sif.zkt", "backrecs.zkt"}) fs::remove(f.data.file(other));
  const auto before = listing(f.data.path());
  const std::string tariff = f.files.file("tariff.toml");
  const std::string calendar = f.files.file("empty.ics");
  writeFileText(calendar, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nEND:VCALENDAR\r\n");
  struct Case {
    std::string text;  // tariff file, empty for the calendar cases
    std::vector<std::string> args;
    int code;
  };
  const Case cases[] = {
      {"[[condition]]\namount = -1\n", {"import", tariff}, 1},
      {"[[condition]]\nbogus = \n", {"import", tariff}, 1},
      {f.run({"export"}).out, {"import", tariff}, 0},  // changes nothing
      {"", {"holidays", "import-ics", calendar}, 0},
      {"", {"holidays", "import-ics", kFrance, "--year", "2026", "--dry-run"}, 0},
  };
  for (const auto& c : cases) {
    if (!c.text.empty()) writeFileText(tariff, c.text);
    const RunResult r = f.run(c.args);
    EXPECT_EQ(r.code, c.code) << c.args[0] << " " << c.text << r.err;
    EXPECT_EQ(listing(f.data.path()), before) << c.args[0] << " " << c.text;
  }
}

// An editor open on the records an import would write: its OK would later write the
// old records back over the import without a word. The import is turned away instead.
TEST(Import, TurnedAwayWhileAnEditorHoldsItsRecords) {
  TempDir tariffs;
  const std::string tariff = tariffs.file("tariff.toml");
  writeFileText(tariff, "condition = []\nholiday = []\n");
  platform::LockFileRegistry registry("");
  struct Case {
    HeldRecords held;
    std::vector<std::string> args;
    const char* window;
  };
  const Case cases[] = {
      {HeldRecords::Conditions, {"import", tariff}, "expense"},
      {HeldRecords::Holidays, {"import", tariff}, "holiday"},
      {HeldRecords::Holidays, {"holidays", "import-ics", kFrance, "--year", "2030"}, "holiday"},
  };
  for (const auto& c : cases) {
    Seeded f;
    const auto before = f.mlif();
    {
      const auto claim = claimRecords(registry, c.held, f.data.path());
      ASSERT_TRUE(claim.claim) << claim.refused;
      const RunResult r = f.run(c.args);
      EXPECT_EQ(r.code, 1) << c.window;
      EXPECT_NE(r.err.find(std::string("the ") + c.window + " window is open on " + f.data.path()), std::string::npos)
          << r.err;
      EXPECT_EQ(f.mlif(), before) << c.window;
    }
    // Another folder's editor is no obstacle.
    TempDir other;
    const auto claim = claimRecords(registry, c.held, other.path());
    EXPECT_EQ(f.run(c.args).code, 0) << c.window;
  }
}

}  // namespace
}  // namespace prandel::test
