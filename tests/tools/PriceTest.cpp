// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack price, run in process: what it prints for the demo tariff, its JSON, bytes
// as totals and as a samples file, the currency and decimal mark of the data folder,
// every refusal of a wrong command line or samples file, and that it writes nothing.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>

#include "ZktrackKit.h"
#include "Zktrack.h"
#include "core/Regional.h"
#include "store/RecordIO.h"

namespace prandel::test {
namespace {

using store::ExpenseCondition;

struct Ran {
  int code = -1;
  std::string out, err;
};

// zktrack price with args, its output caught; CTest runs it in UTC.
Ran price(std::vector<std::string> args) {
  zktrack::Context ctx;
  CLI::App app{"zktrack", "zktrack"};
  app.require_subcommand(1, 1);
  zktrack::addPriceCommand(app, ctx);
  args.insert(args.begin(), {"zktrack", "price"});
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  auto* oldOut = std::cout.rdbuf(out.rdbuf());
  auto* oldErr = std::cerr.rdbuf(err.rdbuf());
  Ran r;
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
    r.code = ctx.exitCode;
  } catch (const CLI::ParseError& e) {
    r.code = 2;
    std::cerr << e.what() << "\n";
  }
  std::cout.rdbuf(oldOut);
  std::cerr.rdbuf(oldErr);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

// The demo data folder (zktrack seed).
struct Demo {
  TempDir dir;
  Demo() {
    std::ostringstream quiet;
    auto* old = std::cout.rdbuf(quiet.rdbuf());
    const int code = zktrack::runSeed(dir.path(), false);
    std::cout.rdbuf(old);
    if (code != 0) throw std::runtime_error("seed failed");
  }
  Ran price(std::vector<std::string> args) const {
    args.insert(args.end(), {"--data", dir.path()});
    return test::price(args);
  }
  void edit(const std::function<void(store::MainRecord&, store::DataFiles&)>& change) const {
    editRecords(dir.path(), [&](store::DataFiles& files) {
      store::MainRecord m;
      store::MainRecIO(files, m, false);
      change(m, files);
      store::MainRecIO(files, m, true);
    });
  }
};

TEST(Price, TheDemoCallFromDayRateToEveningRate) {
  // The demo: condition 2 on weekdays 08:00 to 18:00 at 2.50 an hour, its first unit
  // 0.10; condition 1 every day at 1.20; 1-minute units; the countdown has 8 hours
  // left. Monday 17:50 to 18:20: 0.10 + 9 x 2.50 / 60 (0.375) = 0.475 before 18:00,
  // 20 x 1.20 / 60 = 0.40 after it; 0.875 in all.
  const Demo demo;
  const Ran r = demo.price({"--from", "2026-12-14 17:50", "--to", "2026-12-14 18:20"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(linesOf(r.out), (std::vector<std::string>{
                                "Data folder: " + demo.dir.path() + " (given with --data)",
                                "Call: Mon 2026-12-14 17:50:00 to 18:20:00 (00:30:00)",
                                "From                 To        Condition                               Units   Charge",
                                "2026-12-14 17:50:00  18:00:00  Condition 2 (Amount : $ 2.50 Per Hour)     10  $ 0.475",
                                "2026-12-14 18:00:00  18:20:00  Condition 1 (Amount : $ 1.20 Per Hour)     20   $ 0.40",
                                "Total: $ 0.875",
                                "Counted time: 00:30:00 from 17:50:00",
                                "Unpriced: 0 seconds",
                                "Countdown: 00:30:00 used of 08:00:00 left",
                            }));
  // The same call given by its length, in every form, and unquoted.
  for (const char* length : {"30m", "1800", "1800s", "0h30m", "0h30m0s"})
    EXPECT_EQ(demo.price({"--from", "2026-12-14", "17:50", "--duration", length}).out, r.out) << length;
}

TEST(Price, AcrossMidnightDialTimeAndACountdownRunningOut) {
  // Saturday 19 December 23:50 for 30 minutes, counted from 45 s of dialling before
  // it (23:49:15): the weekend's per-call condition 3 (0.50 a minute and 0.80 an
  // hour of ISP charges, 0.51333 a minute) for 11 units, the last running over
  // midnight to 00:00:15 (5.64667); then Sunday, the weekly day off: condition 4,
  // free. The countdown has 300 s left: it runs out at 23:54:15.
  const Demo demo;
  demo.edit([](store::MainRecord& m, store::DataFiles&) {
    m.CallStart = 0;
    m.AddDialTime = 1;
    m.DialSeconds = 45;
    m.CdTotal = 300;
    m.CdUsed = 0;
  });
  const Ran r = demo.price({"--from", "2026-12-19 23:50", "--duration", "30m"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(linesOf(r.out), (std::vector<std::string>{
                                "Data folder: " + demo.dir.path() + " (given with --data)",
                                "Call: Sat 2026-12-19 23:50:00 to Sun 2026-12-20 00:20:00 (00:30:00)",
                                "From                 To        Condition                               Units     Charge",
                                "2026-12-19 23:49:15  24:00:00  Condition 3 (Amount : $ 0.50 Per Call)     11  $ 5.64667",
                                "2026-12-20 00:00:00  00:00:15  Condition 3 (Amount : $ 0.50 Per Call)      0     $ 0.00",
                                "2026-12-20 00:00:15  00:20:00  Condition 4 (Amount : Free of charge)      20     $ 0.00",
                                "Total: $ 5.64667",
                                "Counted time: 00:30:45 from 23:49:15 (with 45 seconds of dialling)",
                                "Unpriced: 0 seconds",
                                "Countdown: 00:30:45 used of 00:05:00 left, ran out at 2026-12-19 23:54:15",
                            }));

  // After Making Call without the dialling added: from the dial start given. The
  // Monday call then begins at 17:49 with condition 2: 0.10 + 10 x 0.041667, then
  // 20 x 0.02 after 18:00; 0.91667.
  demo.edit([](store::MainRecord& m, store::DataFiles&) { m.AddDialTime = 0; });
  const Ran dialled =
      demo.price({"--from", "2026-12-14 17:50", "--duration", "30m", "--dial-start", "2026-12-14 17:49"});
  EXPECT_NE(dialled.out.find("\nTotal: $ 0.91667\n"), std::string::npos) << dialled.out;
  EXPECT_NE(dialled.out.find("\nCounted time: 00:31:00 from 17:49:00 (with 60 seconds of dialling)\n"),
            std::string::npos)
      << dialled.out;
}

TEST(Price, JsonGivesEveryUnitWithItsCounters) {
  // The demo call of 17:50 to 18:20 with 3 MB received and 1 MB sent, given as totals.
  const Demo demo;
  const Ran r = demo.price(
      {"--from", "2026-12-14 17:50", "--duration", "30m", "--down", "3145728", "--up", "1048576", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << r.out;
  const QJsonObject o = doc.object();
  EXPECT_EQ(o[QStringLiteral("total")].toDouble(), 0.875);
  EXPECT_EQ(o[QStringLiteral("currency")].toString(), QStringLiteral("$"));
  EXPECT_EQ(o[QStringLiteral("countedSeconds")].toInt(), 1800);
  EXPECT_EQ(o[QStringLiteral("received")].toInteger(), 3145728);
  EXPECT_EQ(o[QStringLiteral("sent")].toInteger(), 1048576);
  EXPECT_EQ(o[QStringLiteral("countdownOut")].isNull(), true);
  const QJsonArray units = o[QStringLiteral("units")].toArray();
  ASSERT_EQ(units.size(), 30);
  EXPECT_EQ(units[0].toObject()[QStringLiteral("charge")].toDouble(), 0.1);
  EXPECT_EQ(units[0].toObject()[QStringLiteral("from")].toString(), QStringLiteral("2026-12-14T17:50:00+00:00"));
  // The unit of 18:00, the first of condition 1: as it stood at 18:00:00.
  const QJsonObject u = units[10].toObject();
  EXPECT_EQ(u[QStringLiteral("slot")].toInt(), 1);
  EXPECT_EQ(u[QStringLiteral("length")].toInt(), 60);
  EXPECT_EQ(u[QStringLiteral("charge")].toDouble(), 0.02);
  const QJsonObject k = u[QStringLiteral("counters")].toObject();
  EXPECT_EQ(k[QStringLiteral("time")].toInt(), 600);
  EXPECT_EQ(k[QStringLiteral("expense")].toDouble(), 0.475);
  EXPECT_EQ(k[QStringLiteral("calls")].toInt(), 1);
  EXPECT_EQ(k[QStringLiteral("countdown")].toDouble(), 28800 - 600);
  // A sample a second: the first 599 of the 1800 (the 600th is at 18:00:00, in
  // the unit that begins then): 599 / 1800 of 3 MB, rounded down.
  EXPECT_EQ(k[QStringLiteral("received")].toInteger(), 3145728LL * 599 / 1800);
  const QJsonArray slices = o[QStringLiteral("slices")].toArray();
  ASSERT_EQ(slices.size(), 2);
  EXPECT_EQ(slices[0].toObject()[QStringLiteral("charge")].toDouble(), 0.475);
}

TEST(Price, SamplesFileCurrencyAndDecimalMark) {
  // Condition 1: 2.00 a MB received, every day; euros with a decimal comma. Samples
  // by seconds and by moments: 1 MB received by 30 s, 2.5 MB by 17:51:00, then the
  // counter was reset and shows 0.5 MB at 90 s: 3 MB in all, 6.00.
  const Demo demo;
  demo.edit([](store::MainRecord& m, store::DataFiles& files) {
    m.CurSymbol = "EUR";
    m.CommaDecimal = true;
    m.CdEnabled = false;
    ExpenseCondition c;
    c.InUse = true;
    c.AmtKind = 3;
    c.Amt = 2.00;
    c.BwMode = 1;
    store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 1, c);
    for (int i = 2; i <= 4; ++i)
      store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + i, ExpenseCondition{});
  });
  writeFileText(demo.dir.file("samples.csv"),
                "seconds_since_up,received,sent\r\n"
                "30,1048576,500\r\n"
                "\r\n"
                "2026-12-14T17:51:00, 2621440 ,1000\r\n"
                "90,524288,1500\r\n");
  const Ran r = demo.price({"--from", "2026-12-14 17:50", "--duration", "2m", "--samples", demo.dir.file("samples.csv")});
  EXPECT_EQ(r.code, 0) << r.err;
  const auto lines = linesOf(r.out);
  ASSERT_GE(lines.size(), 6u) << r.out;
  EXPECT_EQ(lines[3], "2026-12-14 17:50:00  17:52:00  Condition 1 (Amount : EUR 2,00 Per MB)    120  EUR 6,00");
  EXPECT_EQ(lines[4], "Total: EUR 6,00");
  EXPECT_NE(r.out.find("\nUnpriced: 0 seconds\n"), std::string::npos);
}

TEST(Price, RefusesWrongInputWithExitCode2) {
  const Demo demo;
  writeFileText(demo.dir.file("reversed.csv"), "seconds_since_up,received,sent\n10,5,5\n9,6,6\n");
  writeFileText(demo.dir.file("noheader.csv"), "10,5,5\n");
  writeFileText(demo.dir.file("short.csv"), "seconds_since_up,received,sent\n10,5,5\n\n20,6\n");
  writeFileText(demo.dir.file("text.csv"), "seconds_since_up,received,sent\n10,many,5\n");
  writeFileText(demo.dir.file("late.csv"), "seconds_since_up,received,sent\n10,5,5\n301,6,6\n");
  writeFileText(demo.dir.file("early.csv"), "seconds_since_up,received,sent\n2026-12-14 17:49:59,5,5\n");
  writeFileText(demo.dir.file("moment.csv"), "seconds_since_up,received,sent\nyesterday,5,5\n");
  writeFileText(demo.dir.file("empty.csv"), "");
  const std::string from = "2026-12-14 17:50";
  struct Case {
    std::vector<std::string> args;
    std::string message;  // what the message begins with
  };
  const Case cases[] = {
      {{"--from", from, "--to", "2026-12-14 17:49"}, "zktrack: --to is before --from"},
      {{"--from", from, "--to", from}, "zktrack: the call has no length"},
      {{"--from", from, "--duration", "0"}, "zktrack: the call has no length"},
      {{"--from", from, "--duration", "745h"}, "zktrack: a call is priced for 31 days at most"},
      {{"--from", from, "--duration", "31d"}, "zktrack: not a duration: 31d"},
      {{"--from", from, "--duration=-5m"}, "zktrack: not a duration: -5m"},
      {{"--from", from}, "zktrack: give the call's end with --to or its length with --duration"},
      {{"--from", from, "--to", from, "--duration", "5m"}, "zktrack: --to and --duration: give one of them"},
      {{"--from", "2026-02-30 10:00", "--duration", "5m"}, "zktrack: not a moment for --from: 2026-02-30 10:00"},
      {{"--from", from, "--duration", "5m", "--dial-start", "2026-12-14 17:51"}, "zktrack: --dial-start is after --from"},
      {{"--from", from, "--duration", "5m", "--down", "5k"}, "zktrack: not a byte count for --down: 5k"},
      {{"--from", from, "--duration", "5m", "--up", "99999999999999999999"}, "zktrack: not a byte count for --up"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("reversed.csv"), "--down", "5"},
       "zktrack: give the bytes either as totals (--down, --up) or as samples (--samples), not both"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("missing.csv")},
       "zktrack: " + demo.dir.file("missing.csv") + ": cannot be read: No such file or directory"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.path()},
       "zktrack: " + demo.dir.path() + ": is not a regular file"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("reversed.csv")},
       "zktrack: " + demo.dir.file("reversed.csv") + ":3: earlier than line 2"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("noheader.csv")},
       "zktrack: " + demo.dir.file("noheader.csv") + ":1: the first line is the header"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("short.csv")},
       "zktrack: " + demo.dir.file("short.csv") + ":4: expected 3 fields (seconds_since_up,received,sent), found 2"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("text.csv")},
       "zktrack: " + demo.dir.file("text.csv") + ":2: not a byte count: many"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("late.csv")},
       "zktrack: " + demo.dir.file("late.csv") + ":3: after the call's end"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("early.csv")},
       "zktrack: " + demo.dir.file("early.csv") + ":2: before the link came up"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("moment.csv")},
       "zktrack: " + demo.dir.file("moment.csv") + ":2: not a moment: yesterday"},
      {{"--from", from, "--duration", "5m", "--samples", demo.dir.file("empty.csv")},
       "zktrack: " + demo.dir.file("empty.csv") + ": empty"},
  };
  const auto before = listing(demo.dir.path());
  for (const Case& k : cases) {
    const Ran r = demo.price(k.args);
    EXPECT_EQ(r.code, 2) << k.message;
    EXPECT_EQ(r.err.substr(0, k.message.size()), k.message) << r.err;
    EXPECT_EQ(r.out, "") << k.message;
  }
  // A good call changes nothing either.
  EXPECT_EQ(demo.price({"--from", from, "--duration", "5m", "--samples", demo.dir.file("late.csv")}).code, 2);
  EXPECT_EQ(demo.price({"--from", from, "--duration", "6m", "--samples", demo.dir.file("late.csv")}).code, 0);
  EXPECT_EQ(listing(demo.dir.path()), before);

  // A folder without records.
  TempDir empty;
  const Ran none = price({"--from", from, "--duration", "5m", "--data", empty.path()});
  EXPECT_EQ(none.code, 1);
  EXPECT_EQ(none.err.rfind("zktrack: no records in ", 0), 0u) << none.err;
  EXPECT_TRUE(listing(empty.path()).empty());
}

}  // namespace
}  // namespace prandel::test
