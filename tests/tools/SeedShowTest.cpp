// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>

#include "ZktrackKit.h"
#include "store/BookmarkRecord.h"
#include "store/Codec.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"

namespace prandel::test {
namespace {

using store::ExpenseCondition;

// The lines of show's output from the line `title` up to the next unindented one.
std::vector<std::string> section(const std::string& out, const std::string& title) {
  std::istringstream in(out);
  std::vector<std::string> lines;
  bool inside = false;
  for (std::string l; std::getline(in, l);) {
    if (inside && !l.starts_with("  ")) break;
    if (inside) lines.push_back(l.substr(2));
    if (l.starts_with(title)) inside = true;
  }
  return lines;
}

TEST(Seed, ShowPrintsTheDemo) {
  TempDir data;
  const std::string folder = data.path() + "/new/zelkora";  // made by seed
  const RunResult seeded = runProgram(ZKTRACK_PATH, {"--data", folder, "seed"});
  ASSERT_EQ(seeded.code, 0) << seeded.err;
  const RunResult shown = runProgram(ZKTRACK_PATH, {"show", "--data", folder});
  ASSERT_EQ(shown.code, 0) << shown.err;

  for (const char* line : {
           "Call settings: CallStart 1, IncChoice 2, IncTime 00:01:00, AddDialTime 0, DialSeconds 0",
           "Countdown: enabled, total 10:00:00, used 2:00:00, status 0, active only 0, expense mode 0",
           "Countdown reset: on, period 2, day 0, time 0:30:00, date 1899-12-30",
           "Currency: \"$\"",
           "Comma decimal: no",
           "Weekly days off: Sun",
           "Holiday count: 5",
           "ChangeCode: 0",
       })
    EXPECT_TRUE(shown.has(line)) << line << "\n" << shown.out;

  const std::vector<std::string> conditions = {
      "1: $ 1.20 per hour | Every Day | whole day",
      "2: $ 2.50 per hour, initial call $ 0.10 | Weekdays (Mon-Fri) | 08:00-18:00",
      "3: $ 0.50 per call | Weekends (Sat-Sun) | whole day | call time 00:01:00, ISP charge $ 0.80",
      "4: free | Holidays | whole day",
  };
  EXPECT_EQ(section(shown.out, "Conditions"), conditions);
  const std::vector<std::string> holidays = {
      "2026-01-01 New Year",   "2026-04-03 Good Friday", "2026-05-01 Labour Day",
      "2026-12-25 Christmas Day", "2026-12-26 Boxing Day",
  };
  EXPECT_EQ(section(shown.out, "Holidays"), holidays);
  const std::vector<std::string> bookmarks = {
      "1: \"Zelkora home\" -> http://www.zelkora.example/",
      "3: \"Web mail\" -> https://mail.example.com/",
      "4: \"Weather\" -> https://weather.example.org/today",
  };
  EXPECT_EQ(section(shown.out, "Bookmarks"), bookmarks);
}

TEST(Seed, WritesTheRecordsTheTrackerReads) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"--data", data.path(), "seed"}).code, 0);
  for (const char* empty : {"backrecs.zkt", "sif.zkt", "ecf.zkt"}) {
    ASSERT_TRUE(std::filesystem::exists(data.file(empty))) << empty;
    EXPECT_EQ(std::filesystem::file_size(data.file(empty)), 0u) << empty;
  }
  editRecords(data.path(), [](store::DataFiles& files) {
    store::MainRecord m;
    ASSERT_TRUE(store::MainRecIO(files, m, false));
    EXPECT_EQ(m.HolidayCount, 5);
    EXPECT_EQ(m.ChangeCode, 0);
    EXPECT_EQ(m.CdResetPeriod, 2);
    EXPECT_EQ(m.CdResetTime, 1800);

    store::LinkRecord link;
    ASSERT_TRUE(store::LinkRecIO(files, link, false));
    EXPECT_EQ(link.raw, decltype(link.raw){}) << "the link record stays zero";

    // Live slots 1..4 in use, and their working copies the same bytes.
    for (int slot = 1; slot <= ExpenseCondition::Slots; ++slot) {
      ExpenseCondition live, work;
      store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + slot, live);
      store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + slot, work);
      EXPECT_EQ(live.InUse, slot <= 4) << slot;
      EXPECT_EQ(live.raw, work.raw) << slot;
      if (slot <= 4) {
        EXPECT_EQ(store::getInt16(live.raw, ExpenseCondition::Off::InUse), -1) << slot;
      }
    }

    EXPECT_EQ(files.fileLength(store::BookmarkRecord::Channel), 4 * store::BookmarkRecord::Size);
    for (int n = 1; n <= 4; ++n) {
      store::BookmarkRecord b;
      store::readRecord(files, store::BookmarkRecord::Channel, n, b);
      EXPECT_EQ(b.BmDeleted, n == 2 ? -1 : 0) << n;
    }
  });
}

TEST(Seed, RefusesToReplaceRecordsWithoutForce) {
  struct Case {
    const char* file;
    std::vector<std::string> extra;
    int code;
    bool replaced;
  };
  const Case cases[] = {
      {"mlif.zkt", {}, 1, false},
      {"bit.zkt", {}, 1, false},
      {"mlif.zkt", {"--force"}, 0, true},
      {"sif.zkt", {"--force"}, 0, true},
  };
  for (const auto& c : cases) {
    TempDir data;
    const std::vector<std::uint8_t> old(3000, 0x5A);
    writeFileBytes(data.file(c.file), old);
    std::vector<std::string> args = {"--data", data.path(), "seed"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, c.code) << c.file << r.err;
    EXPECT_EQ(readFileBytes(data.file(c.file)) != old, c.replaced) << c.file;
    if (!c.replaced) {
      EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    }
  }
}

TEST(Show, ClampsTheHolidayCount) {
  const std::pair<std::int16_t, std::size_t> cases[] = {{-5, 0}, {0, 0}, {3, 3}, {190, 190}, {191, 190}, {32767, 190}};
  for (const auto& [count, shown] : cases) {
    TempDir data;
    ASSERT_EQ(runProgram(ZKTRACK_PATH, {"--data", data.path(), "seed"}).code, 0);
    editRecords(data.path(), [count = count](store::DataFiles& files) {
      store::MainRecord m;
      store::MainRecIO(files, m, false);
      m.HolidayCount = count;
      store::MainRecIO(files, m, true);
    });
    const RunResult r = runProgram(ZKTRACK_PATH, {"--data", data.path(), "show"});
    ASSERT_EQ(r.code, 0) << count;
    EXPECT_EQ(section(r.out, "Holidays").size(), shown) << count;
  }
}

TEST(Show, SurvivesAnyBytes) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"--data", data.path(), "seed"}).code, 0);
  editRecords(data.path(), [](store::DataFiles& files) {
    store::HolidayRecord h;
    h.HoliDate = std::numeric_limits<double>::quiet_NaN();
    h.HoliName = "Bad\x01\x1b[2JName";
    store::writeRecord(files, store::HolidayRecord::Channel, store::HolidayRecord::Base + 1, h);
    h.HoliDate = 1e300;
    h.HoliName = "Far";
    store::writeRecord(files, store::HolidayRecord::Channel, store::HolidayRecord::Base + 2, h);
  });
  RunResult r = runProgram(ZKTRACK_PATH, {"--data", data.path(), "show"});
  ASSERT_EQ(r.code, 0);
  const auto holidays = section(r.out, "Holidays");
  ASSERT_GE(holidays.size(), 2u);
  EXPECT_EQ(holidays[0], "invalid date (nan) Bad??[2JName");
  EXPECT_EQ(holidays[1], "invalid date (1e+300) Far");

  std::mt19937 random(7);
  for (const char* file : {"mlif.zkt", "bit.zkt"}) {
    std::vector<std::uint8_t> noise(30000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    writeFileBytes(data.file(file), noise);
  }
  r = runProgram(ZKTRACK_PATH, {"--data", data.path(), "show"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char c : r.out)
    ASSERT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << "a control byte reached the terminal";
}

TEST(Show, WantsRecords) {
  TempDir data;
  const RunResult r = runProgram(ZKTRACK_PATH, {"--data", data.path(), "show"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("seed"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(data.file("mlif.zkt")));
}

TEST(Arguments, UsageAndErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
  };
  const Case cases[] = {
      {{"--help"}, 0},
      {{"show", "-h"}, 0},
      {{}, 2},
      {{"bogus"}, 2},
      {{"open"}, 2},
      {{"open", "nonsense"}, 2},
      {{"open", "holidays", "expense"}, 2},
      {{"show", "extra"}, 2},
      {{"--frob", "show"}, 2},
      {{"show", "--force"}, 2},
      {{"show", "--data"}, 2},
      {{"--data=", "show"}, 2},
  };
  for (const auto& c : cases) {
    const RunResult r = runProgram(ZKTRACK_PATH, c.args);
    std::string label;
    for (const auto& a : c.args) label += a + " ";
    EXPECT_EQ(r.code, c.code) << label;
    const std::string& usageStream = c.code == 0 ? r.out : r.err;
    EXPECT_NE(usageStream.find("usage: zktrack"), std::string::npos) << label;
    if (c.code != 0) {
      EXPECT_EQ(r.out, "") << label;
    }
  }
}

}  // namespace
}  // namespace prandel::test
