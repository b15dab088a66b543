// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
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
  const RunResult seeded = runProgram(ZKTRACK_PATH, {"seed", "--data", folder});
  ASSERT_EQ(seeded.code, 0) << seeded.err;
  const RunResult shown = runProgram(ZKTRACK_PATH, {"show", "--data", folder});
  ASSERT_EQ(shown.code, 0) << shown.err;

  EXPECT_TRUE(shown.has("Data folder: " + folder + " (given with --data)")) << shown.out;
  const std::vector<std::string> main = {
      "Start counting call: After Connection",
      "Increments after every: 1 Min.",
      "Increment: 00:01:00",
      "Currency: \"$\"",
      "Countdown enabled: yes",
      "Countdown status: 0",
      "Countdown length: 10:00:00",
      "Countdown used: 02:00:00",
      "Countdown only with active conditions: no",
      "Expense settings during countdown: Leave All Conditions as it is",
      "Reset countdown: yes",
      "Reset time: 00:30",
      "Reset period: Every Month",
      "Reset on: day 1 of the month",
      "Conditions enabled during countdown: none",
      "Decimal comma: no",
      "Holidays: 5",
      "Weekly days off: Sunday",
      "Change notice: none",
      "Add dialing time: no",
      "Dialing time in seconds: 0",
  };
  EXPECT_EQ(section(shown.out, "Main settings"), main);
  EXPECT_EQ(section(shown.out, "Link record"), (std::vector<std::string>{"Request: 0", "Reload flag: 0"}));

  // The lines of the expense window's details panel.
  const std::vector<std::string> conditions = {
      "Condition 1",
      "  Amount : $ 1.20 Per Hour",
      "  Period : Every Day",
      "  Time : For a Whole Day",
      "Condition 2",
      "  Amount : $ 2.50 Per Hour",
      "  Period : On Weekdays (Mon-Fri).",
      "  Time : From 08:00 To 18:00",
      "  Initial Call Amount : $ 0.10",
      "Condition 3",
      "  Amount : $ 0.50 Per Call",
      "  Period : On Weekends (Sat-Sun).",
      "  Time : For a Whole Day",
      "  Custom Call Time : 00:01:00",
      "  Other ISP Charges : $ 0.80",
      "Condition 4",
      "  Amount : Free of charge",
      "  Period : On Holidays.",
      "  Time : For a Whole Day",
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
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
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
    std::vector<std::string> args = {"seed", "--data", data.path()};
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
    ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
    editRecords(data.path(), [count = count](store::DataFiles& files) {
      store::MainRecord m;
      store::MainRecIO(files, m, false);
      m.HolidayCount = count;
      store::MainRecIO(files, m, true);
    });
    const RunResult r = runProgram(ZKTRACK_PATH, {"show", "--data", data.path()});
    ASSERT_EQ(r.code, 0) << count;
    EXPECT_EQ(section(r.out, "Holidays").size(), shown) << count;
  }
}

TEST(Show, SurvivesAnyBytes) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  editRecords(data.path(), [](store::DataFiles& files) {
    store::HolidayRecord h;
    h.HoliDate = std::numeric_limits<double>::quiet_NaN();
    h.HoliName = "Bad\x01\x1b[2JName";
    store::writeRecord(files, store::HolidayRecord::Channel, store::HolidayRecord::Base + 1, h);
    h.HoliDate = 1e300;
    h.HoliName = "Far";
    store::writeRecord(files, store::HolidayRecord::Channel, store::HolidayRecord::Base + 2, h);
  });
  RunResult r = runProgram(ZKTRACK_PATH, {"show", "--data", data.path()});
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
  r = runProgram(ZKTRACK_PATH, {"show", "--data", data.path()});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char c : r.out)
    ASSERT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << "a control byte reached the terminal";
}

TEST(Show, WantsRecords) {
  TempDir data;
  const RunResult r = runProgram(ZKTRACK_PATH, {"show", "--data", data.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("seed"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(data.file("mlif.zkt")));
}

TEST(Arguments, HelpVersionAndErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* says;  // on stdout for 0, on stderr otherwise
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: zktrack [OPTIONS] SUBCOMMAND"},
      {{"--version"}, 0, "zktrack " PRANDEL_VERSION},
      {{"show", "-h"}, 0, "--json"},
      {{"seed", "--help"}, 0, "--force"},
      {{"open", "--help"}, 0, "{expense,countdown,call,holidays,bookmarks,import}"},
      {{}, 2, "zktrack: a command is required: open, show,"},
      {{"bogus"}, 2, "unknown command bogus"},
      {{"open"}, 2, "EDITOR is required"},
      {{"open", "nonsense"}, 2, "nonsense not in"},
      {{"open", "holidays", "expense"}, 2, "expense"},
      {{"open", "holidays", "--data", "/tmp"}, 2, "--data"},
      {{"show", "extra"}, 2, "extra"},
      {{"--frob", "show"}, 2, "--frob"},
      {{"show", "--force"}, 2, "--force"},
      {{"show", "--data"}, 2, "--data"},
      {{"show", "--data="}, 2, "--data"},
  };
  for (const auto& c : cases) {
    const RunResult r = runProgram(ZKTRACK_PATH, c.args);
    std::string label;
    for (const auto& a : c.args) label += a + " ";
    EXPECT_EQ(r.code, c.code) << label << r.err;
    const std::string& said = c.code == 0 ? r.out : r.err;
    EXPECT_NE(said.find(c.says), std::string::npos) << label << "\n" << said;
    if (c.code != 0) {
      EXPECT_EQ(r.out, "") << label;
    }
  }
  // What --help lists for a command is what the command takes.
  const RunResult help = runProgram(ZKTRACK_PATH, {"--help"});
  EXPECT_EQ(help.out.find("[--data"), std::string::npos) << "--data is no option of zktrack itself";
}

// Looking must leave no trace: no file made, none changed, not even a missing one.
TEST(Show, NeverCreatesOrChangesAFile) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  std::filesystem::remove(data.file("bit.zkt"));
  std::filesystem::remove(data.file("ecf.zkt"));
  std::filesystem::permissions(data.file("sif.zkt"), std::filesystem::perms::owner_read);
  const auto before = listing(data.path());
  const auto mlif = readFileBytes(data.file("mlif.zkt"));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"show", "--data", data.path()},
                                               std::vector<std::string>{"show", "--json", "--data", data.path()}}) {
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, 0) << r.err;
  }
  EXPECT_EQ(listing(data.path()), before);
  EXPECT_EQ(readFileBytes(data.file("mlif.zkt")), mlif);
}

TEST(Show, JsonParsesAndCarriesValuesAndWords) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  editRecords(data.path(), [](store::DataFiles& files) {
    store::HolidayRecord h;
    h.HoliDate = std::numeric_limits<double>::quiet_NaN();
    h.HoliName = "Quote \" and \x01";
    store::writeRecord(files, store::HolidayRecord::Channel, store::HolidayRecord::Base + 2, h);
  });
  const RunResult r = runProgram(ZKTRACK_PATH, {"show", "--json", "--data", data.path()});
  ASSERT_EQ(r.code, 0) << r.err;
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << r.out;
  const QJsonObject root = doc.object();
  EXPECT_EQ(root[QStringLiteral("dataFolder")].toString().toStdString(), data.path());
  const QJsonObject callStart = root[QStringLiteral("main")][QStringLiteral("CallStart")].toObject();
  EXPECT_EQ(callStart[QStringLiteral("value")].toInt(), 1);
  EXPECT_EQ(callStart[QStringLiteral("text")].toString(), QStringLiteral("After Connection"));
  const QJsonArray conditions = root[QStringLiteral("conditions")].toArray();
  ASSERT_EQ(conditions.size(), 4);
  EXPECT_EQ(conditions[2][QStringLiteral("description")][4].toString(), QStringLiteral("Other ISP Charges : $ 0.80"));
  EXPECT_EQ(conditions[2][QStringLiteral("fields")][QStringLiteral("IspAmt")][QStringLiteral("value")].toDouble(), 0.8);
  const QJsonArray holidays = root[QStringLiteral("holidays")].toArray();
  ASSERT_EQ(holidays.size(), 5);
  EXPECT_EQ(holidays[1][QStringLiteral("date")].toString(), QStringLiteral("invalid date (nan)"));
  EXPECT_EQ(holidays[1][QStringLiteral("description")].toString(), QStringLiteral("Quote \" and ?"));
  EXPECT_EQ(root[QStringLiteral("bookmarks")].toArray().size(), 4);
}

// A start of prandel with no request writes the link record back: a file of zeros is
// then all a fresh data folder holds, and it is no one's data.
TEST(Seed, TakesFilesOfZerosOrShorterThanARecordAsEmpty) {
  struct Case {
    const char* what;
    const char* file;
    std::vector<std::uint8_t> bytes;
    bool seeded;
  };
  const Case cases[] = {
      {"zeros", "mlif.zkt", std::vector<std::uint8_t>(8551, 0), true},
      {"shorter than a record", "bit.zkt", std::vector<std::uint8_t>(100, 0x41), true},
      {"one whole record", "bit.zkt", std::vector<std::uint8_t>(512, 0x41), false},
      {"one byte set far in", "mlif.zkt", [] {
         std::vector<std::uint8_t> v(40000, 0);
         v[33000] = 1;
         return v;
       }(), false},
  };
  for (const auto& c : cases) {
    TempDir data;
    writeFileBytes(data.file(c.file), c.bytes);
    const RunResult r = runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()});
    EXPECT_EQ(r.code, c.seeded ? 0 : 1) << c.what << r.err;
    EXPECT_EQ(readFileBytes(data.file(c.file)) != c.bytes, c.seeded) << c.what;
  }
}

}  // namespace
}  // namespace prandel::test
