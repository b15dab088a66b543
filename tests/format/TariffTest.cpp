// SPDX-License-Identifier: GPL-3.0-or-later
// Tariff files in process: what export writes reads back to the same records, a file
// written by hand reads the same, and every fault is named with its line.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "format/Tariff.h"

#include "core/ConditionPanel.h"
#include "core/FolderRecords.h"
#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel::format {
namespace {

using store::ExpenseCondition;
using Records = FolderRecords;

const std::string kGuide = "/usr/share/doc/prandel/tariff-files.md";

class TariffTest : public ::testing::Test {
 protected:
  TariffTest() : notation(QLocale(QLocale::English, QLocale::UnitedStates)) {
    main.CurSymbol = "$";
    records.live.resize(ExpenseCondition::Slots);
  }

  // A condition as the expense window saves a panel into an empty slot.
  ExpenseCondition saved(const std::function<void(ConditionPanel&)>& fill) {
    ConditionPanel p;
    p.amount = QStringLiteral("1.5");
    fill(p);
    adjustForSave(p);
    EXPECT_EQ(Check_valid(notation, main, p), PanelCheck::Valid) << "the panel of the case must be valid";
    ExpenseCondition c;
    c.Clear_Profile();
    c.InUse = true;
    fillCondition(notation, main, p, c);
    c.encode(c.raw);
    return c;
  }

  bool read(const std::string& text, Tariff& t, std::string& error) {
    return readTariff(text, "t.toml", notation, t, error) && checkTariff(t, "t.toml", notation, main, error);
  }

  // The fault a file is refused for; empty when it is accepted.
  std::string fault(const std::string& text) {
    Tariff t;
    std::string error;
    return read(text, t, error) ? std::string() : error;
  }

  Regional notation;  // the notation of the panel texts, as the import writes them
  store::MainRecord main;
  Records records;
};

// Every amount, period and time kind, and the options of each, as the editor makes them.
const std::vector<std::pair<const char*, std::function<void(ConditionPanel&)>>>& editorConditions() {
  static const std::vector<std::pair<const char*, std::function<void(ConditionPanel&)>>> cases = {
      {"per hour, every day", [](ConditionPanel&) {}},
      {"per call, weekday, between, every option",
       [](ConditionPanel& p) {
         p.amountItem = 1;
         p.period = 1;
         p.periodNum = 3;
         p.timeKind = 1;
         p.times = {QStringLiteral("08:00"), QStringLiteral("18:30")};
         p.customCallTime = true;
         p.callTime = QStringLiteral("00:01:30");
         p.ispOn = true;
         p.ispAmount = QStringLiteral("0.8");
         p.initialOn = true;
         p.initialAmount = QStringLiteral("0.1");
         p.initialTimeOn = true;
         p.initialTime = QStringLiteral("00:02:00");
         p.connectionOn = true;
         p.connection = QStringLiteral(" My ISP");
       }},
      {"per MB, month, before",
       [](ConditionPanel& p) {
         p.amountItem = 2;
         p.trafficMode = 2;
         p.period = 2;
         p.periodNum = 11;
         p.timeKind = 2;
         p.times[0] = QStringLiteral("07:30");
       }},
      {"once, dates, after",
       [](ConditionPanel& p) {
         p.amountItem = 3;
         p.period = 3;
         p.periodDates = {QStringLiteral("12/24/2026"), QStringLiteral("1/6/2027")};
         p.timeKind = 3;
         p.times[0] = QStringLiteral("22:00");
       }},
      {"free on holidays, a time filter",
       [](ConditionPanel& p) {
         p.amount = QStringLiteral("0");
         p.period = 4;
         p.filterOn = true;
         p.filterCounter = 1;
         p.filterComparison = 2;
         p.filterHours = QStringLiteral("2");
         p.filterMinutes = QStringLiteral("30");
       }},
      {"weekdays, between over midnight, a count filter",
       [](ConditionPanel& p) {
         p.period = 5;
         p.timeKind = 1;
         p.times = {QStringLiteral("22:00"), QStringLiteral("06:00")};
         p.filterOn = true;
         p.filterCounter = 6;
         p.filterComparison = 0;
         p.filterValue = QStringLiteral("10");
       }},
      {"weekends, between to midnight (stored as after), an MB filter",
       [](ConditionPanel& p) {
         p.amount = QStringLiteral("0.125");
         p.period = 6;
         p.timeKind = 1;
         p.times = {QStringLiteral("22:00"), QStringLiteral("0:00")};
         p.filterOn = true;
         p.filterCounter = 10;
         p.filterComparison = 4;
         p.filterValue = QStringLiteral("2.5");
       }},
      {"weekly with holidays",
       [](ConditionPanel& p) {
         p.period = 7;
         p.weekDays = {5, 1};
         p.weekTimes = {QStringLiteral("18:00"), QStringLiteral("6:15")};
         p.includeHolidays = true;
       }},
      {"per hour with an initial time ticked",
       [](ConditionPanel& p) {
         // Per hour the window ticks the initial time only with the initial cost.
         p.initialOn = true;
         p.initialAmount = QStringLiteral("0");
         p.initialTimeOn = true;
         p.initialTime = QStringLiteral("05:30");  // mm:ss, as typed
       }},
  };
  return cases;
}

TEST_F(TariffTest, ExportThenImportGivesTheSameRecords) {
  const auto& cases = editorConditions();
  for (std::size_t i = 0; i < cases.size(); ++i) records.live[i] = saved(cases[i].second);
  const std::string file = writeTariff(records, TariffPart::Conditions, kGuide);

  Tariff t;
  std::string error;
  ASSERT_TRUE(read(file, t, error)) << error << "\n" << file;
  ASSERT_TRUE(t.conditions);
  ASSERT_EQ(t.conditions->size(), cases.size());

  // Into the same slots: nothing changes.
  EXPECT_EQ(planConditions(notation, main, records, *t.conditions).changes, std::vector<std::string>{}) << file;
  // Into empty slots: the same bytes, condition by condition.
  Records empty;
  empty.live.resize(ExpenseCondition::Slots);
  const ConditionPlan plan = planConditions(notation, main, empty, *t.conditions);
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(plan.records[i].encoded(), records.live[i].raw) << cases[i].first << "\n" << conditionTable(records.live[i]);
}

TEST_F(TariffTest, ExportWritesWordsAndTheWindowsLines) {
  records.live[0] = saved(editorConditions()[1].second);
  records.main.WeekOff[0] = records.main.WeekOff[6] = true;
  records.main.CurSymbol = "$";
  const std::string file = writeTariff(records, TariffPart::All, kGuide);
  for (const char* line : {
           "# Every key is described in /usr/share/doc/prandel/tariff-files.md.",
           "days_off = [\"Sunday\", \"Saturday\"]",
           "holiday = []",
           "# Amount : $ 1.50 Per Call",
           "# Period : On Wednesday",
           "# Time : From 08:00 To 18:30",
           "# Custom Call Time : 00:01:30",
           "[[condition]]",
           "amount = 1.5",
           "charged = \"per call\"",
           "period = \"weekday\"",
           "weekday = \"Wednesday\"",
           "time = \"between\"",
           "time_from = \"08:00\"",
           "time_to = \"18:30\"",
           "initial_cost = 0.1",
           "initial_time = \"00:02:00\"",
           "call_time = \"00:01:30\"",
           "other_isp_charge = 0.8",
           "connection = \" My ISP\"",
       })
    EXPECT_NE(file.find(std::string("\n") + line + "\n"), std::string::npos) << line << "\n" << file;
  // Only what means something for the condition.
  EXPECT_EQ(file.find("traffic"), std::string::npos);
  EXPECT_EQ(file.find("include_holidays"), std::string::npos);
}

// Keys in another order, comments and blank lines, words in other letter cases.
TEST_F(TariffTest, AFileWrittenByHandReadsTheSame) {
  records.live[0] = saved(editorConditions()[1].second);
  records.live[1] = saved(editorConditions()[7].second);
  const std::string byHand = R"(# my provider's evening tariff
[[condition]]
connection = " My ISP"   # the modem line
other_isp_charge = 0.80
time_to = "18:30"

weekday = "wednesday"
period = "Weekday"
initial_time = "00:02:00"
charged = "PER CALL"
amount = 1.50
initial_cost = 0.1
call_time = "00:01:30"
time = "between"
time_from = "8:00"

[[condition]]
include_holidays = true
period_to = "Monday 6:15"
period_from = "friday 18:00"
period = "weekly"
amount = 1.5
)";
  Tariff t;
  std::string error;
  ASSERT_TRUE(read(byHand, t, error)) << error;
  EXPECT_EQ(planConditions(notation, main, records, *t.conditions).changes, std::vector<std::string>{});
}

TEST_F(TariffTest, EveryMessageOfTheEditorWithItsLine) {
  const std::string c = "[[condition]]\n";
  const std::pair<std::string, std::string> cases[] = {
      {c, "t.toml:1: Please Enter Amount"},
      {c + "amount = -1\n", "t.toml:2: Please Enter Amount (amount = -1)"},
      {c + "amount = nan\n", "t.toml:2: Please Enter Amount (amount = nan)"},
      {c + "amount = 1\nperiod = \"period\"\n", "t.toml:1: Please Enter Start Date"},
      {c + "amount = 1\nperiod = \"period\"\nperiod_from = 2026-12-24\n", "t.toml:1: Please Enter Last Date"},
      {c + "amount = 1\nperiod = \"period\"\nperiod_from = 2026-12-24\nperiod_to = 2026-12-23\n",
       "t.toml:4: Invalid Date Setting (period_from = 2026-12-24)"},
      {c + "amount = 1\ntime = \"between\"\n", "t.toml:1: Please Enter Time"},
      {c + "amount = 1\ntime = \"between\"\ntime_from = \"24:00\"\n", "t.toml:4: Please Enter Time (time_from = \"24:00\")"},
      {c + "amount = 1\ntime = \"after\"\ntime_from = \"12:60\"\n", "t.toml:4: Please Enter Time (time_from = \"12:60\")"},
      {c + "amount = 1\ntime = \"between\"\ntime_from = \"08:00\"\n", "t.toml:1: Please Enter End Time"},
      {c + "amount = 1\ntime = \"before\"\ntime_to = \"00:00\"\n", "t.toml:4: Please Enter Time (time_to = \"00:00\")"},
      {c + "amount = 1\ntime = \"after\"\ntime_from = \"0:00\"\n",
       "t.toml:4: To set time till Mid-Night use Whole Day setting (time_from = \"0:00\")"},
      {c + "amount = 1\nperiod = \"weekly\"\n", "t.toml:1: Please Enter Time"},
      {c + "amount = 1\nperiod = \"weekly\"\nperiod_from = \"Sunday 01:00\"\n", "t.toml:1: Please Enter Time"},
      {c + "amount = 1\nperiod = \"weekly\"\nperiod_from = \"Sunday 01:00\"\nperiod_to = \"sunday 1:00\"\n",
       "t.toml:5: Dont use same time for start and end period (period_to = \"sunday 1:00\")"},
      {c + "amount = 1\ntime = \"between\"\ntime_from = \"10:00\"\ntime_to = \"10:00\"\n",
       "t.toml:4: Dont use same time for start and end period (time_from = \"10:00\")"},
      {c + "amount = 1\ncharged = \"per call\"\ncall_time = \"00:00:00\"\n",
       "t.toml:4: Please Enter Different Call Time Setting (call_time = \"00:00:00\")"},
      {c + "amount = 1\ncharged = \"per call\"\nother_isp_charge = -2\ninitial_cost = 5\n",
       "t.toml:4: Please Enter Other ISP Charges (other_isp_charge = -2)"},
      {c + "amount = 1\ninitial_cost = -1\n", "t.toml:3: Please Enter Intial Amount (initial_cost = -1)"},
      {c + "amount = 1\ninitial_cost = 0\ninitial_time = \"00:00:00\"\n",
       "t.toml:4: Please Enter Initial Call Time (initial_time = \"00:00:00\")"},
      {c + "amount = 1\ncharged = \"per call\"\ninitial_time = \"00:00:00\"\n",
       "t.toml:4: Please Enter Initial Call Time (initial_time = \"00:00:00\")"},
      {c + "amount = 1\nconnection = \"   \"\n", "t.toml:3: Please Enter Connection Name (connection = \"   \")"},
      {c + "amount = 1\nfilter = {}\n", "t.toml:3: Please Select Compare String (filter = { ... })"},
      {c + "amount = 1\nfilter = { counter = \"Calls\" }\n", "t.toml:3: Please Select Compare Type (filter = { ... })"},
      {c + "amount = 1\nfilter = { counter = \"Time\", comparison = \"equals\" }\n",
       "t.toml:3: Please Set Hours Correctly (filter = { ... })"},
      {c + "amount = 1\nfilter = { counter = \"Time\", comparison = \"equals\", value = \"2:x\" }\n",
       "t.toml:3: Please Set Minutes Correctly (filter = { ... })"},
      {c + "amount = 1\nfilter = { counter = \"Calls\", comparison = \"equals\", value = -3 }\n",
       "t.toml:3: Please Set Filter Value Correctly (filter = { ... })"},
  };
  for (const auto& [file, want] : cases) EXPECT_EQ(fault(file), want) << file;
}

TEST_F(TariffTest, BadInputIsRefusedWithItsLine) {
  const std::string c = "[[condition]]\namount = 1\n";
  std::string twentyOne, manyHolidays;
  for (int i = 0; i < 21; ++i) twentyOne += c;
  for (int i = 0; i < 191; ++i)
    manyHolidays += "[[holiday]]\ndate = " + QDate(2026, 1, 1).addDays(i).toString(QStringLiteral("yyyy-MM-dd")).toStdString() + "\n";
  const std::pair<std::string, std::string> cases[] = {
      {"amount = = 1\n", "t.toml:1:10: "},
      {c + "amout = 2\n", "t.toml:3: unknown key amout in a condition"},
      {"conditions = []\n", "t.toml:1: unknown key conditions; a tariff file holds condition, holiday and days_off"},
      {"condition = 3\n", "t.toml:1: condition must be a list of tables [[condition]]"},
      {c + "charged = \"hourly\"\n", "t.toml:3: charged must be one of \"per hour\", \"per call\", \"per MB\", \"once\", not \"hourly\""},
      {"[[condition]]\namount = \"abc\"\n", "t.toml:2: amount must be a number"},
      {c + "period = \"period\"\nperiod_from = 2025-02-29\n", "t.toml:4:"},
      {c + "period = \"period\"\nperiod_from = \"2026-12-24\"\n", "t.toml:4: period_from must be a date yyyy-mm-dd (without quotes)"},
      {c + "time = \"between\"\ntime_from = \"8 o'clock\"\n", "t.toml:4: time_from must be a time hh:mm, not \"8 o'clock\""},
      {c + "period = \"weekly\"\nperiod_from = \"Funday 09:00\"\n", "t.toml:4: period_from of a weekly period must be a day and a time, as \"Sunday 09:30\", not \"Funday 09:00\""},
      {c + "period = \"weekday\"\n", "t.toml:1: a condition of the period weekday needs weekday = \"Monday\" or another day"},
      {c + "charged = \"once\"\ninitial_cost = 1\n", "t.toml:4: initial_cost has no meaning for a condition charged once"},
      {c + "period = \"weekly\"\ntime = \"between\"\n", "t.toml:4: time has no meaning for a weekly period, whose period_from and period_to hold the times"},
      {c + "time = \"before\"\ntime_from = \"08:00\"\n", "t.toml:4: time_from has no meaning for the time before"},
      {c + "connection = \"A connection name too long\"\n", "t.toml:3: connection is longer than 20 characters, the most the tracker keeps"},
      {c + "connection = \"Łódź\"\n", "t.toml:3: connection holds a character the tracker's files cannot hold (they are Windows-1252)"},
      {twentyOne, "t.toml:41: more than 20 conditions; the tracker holds 20"},
      {manyHolidays, "t.toml:381: List of Holidays is full"},
      {"[[holiday]]\ndate = 2026-12-25\n[[holiday]]\ndate = 2026-12-25\n", "t.toml:3: Date is already exist"},
      {"[[holiday]]\ndescription = \"no date\"\n", "t.toml:1: Invalid Date"},
      {"[[holiday]]\ndate = \"25.12.2026\"\n", "t.toml:2: Invalid Date"},
      {"[[holiday]]\ndate = 2026-12-25\ndescription = \"" + std::string(41, 'x') + "\"\n",
       "t.toml:3: description is longer than 40 characters, the most the holiday list keeps"},
      {"days_off = [\"Caturday\"]\n", "t.toml:1: days_off must be one of \"Sunday\", \"Monday\", \"Tuesday\", \"Wednesday\", \"Thursday\", \"Friday\", \"Saturday\", not \"Caturday\""},
      {std::string(kMaxTariffBytes + 1, '#'), "t.toml: larger than 1 MiB; a tariff file is a few kilobytes"},
  };
  for (const auto& [file, want] : cases) {
    const std::string got = fault(file);
    EXPECT_EQ(got.substr(0, want.size()), want) << file.substr(0, 200);
  }
}

// The import stores only what the windows can enter: what no one can type into them,
// or what they would show otherwise than the file says, is refused with its line.
TEST_F(TariffTest, WhatTheWindowsCannotEnterIsRefused) {
  const std::string c = "[[condition]]\namount = 1\n";
  const std::string h = "[[holiday]]\ndate = 2026-12-25\n";
  const std::string filter = "filter = { counter = \"Todays Time\", comparison = \"equals\", value = ";
  const std::pair<std::string, std::string> refused[] = {
      {c + "connection = \"a\\u0000b\"\n", "t.toml:3: connection holds a control character (U+0000), which the expense window cannot take"},
      {c + "connection = \"My\\tISP\"\n", "t.toml:3: connection holds a control character (U+0009), which the expense window cannot take"},
      {c + "connection = \"My\\nISP\"\n", "t.toml:3: connection holds a control character (U+000A), which the expense window cannot take"},
      {c + "connection = \"ISP\\u007F\"\n", "t.toml:3: connection holds a control character (U+007F), which the expense window cannot take"},
      {h + "description = \"Christmas\\r\\nDay\"\n", "t.toml:3: description holds a control character (U+000D), which the holiday window cannot take"},
      {h + "description = \"\\u001B[2J\"\n", "t.toml:3: description holds a control character (U+001B), which the holiday window cannot take"},
      {c + "time = \"between\"\ntime_from = \"08:00:30\"\ntime_to = \"18:00\"\n",
       "t.toml:4: time_from must be a time hh:mm, without seconds (the expense window takes none), not \"08:00:30\""},
      {c + "time = \"before\"\ntime_to = \"18:00:00\"\n", "t.toml:4: time_to must be a time hh:mm, without seconds (the expense window takes none), not \"18:00:00\""},
      {c + filter + "\"01:75\" }\n", "t.toml:3: value has more than 59 minutes: \"01:75\""},
      {c + filter + "\"1:060\" }\n", "t.toml:3: value has more than 59 minutes: \"1:060\""},
      {c + filter + "\"10000:00\" }\n", "t.toml:3: value has more than 9999 hours, the most the expense window takes: \"10000:00\""},
      {c + filter + "\"99999999999999999999:00\" }\n",
       "t.toml:3: value has more than 9999 hours, the most the expense window takes: \"99999999999999999999:00\""},
      {c + filter + "\"1.5:00\" }\n", "t.toml:3: value of a time counter must be whole hours and minutes, as \"02:30\", not \"1.5:00\""},
      {c + filter + "\"2:0.5\" }\n", "t.toml:3: value of a time counter must be whole hours and minutes, as \"02:30\", not \"2:0.5\""},
      {c + "initial_time = \"00:02:00\"\n",
       "t.toml:3: initial_time of a condition charged per hour needs an initial_cost, as in the expense window"},
      {"[[holiday]]\ndate = 0099-12-25\n", "t.toml:2: Invalid Date: the holiday list takes years from 100 on"},
      {"[[holiday]]\ndate = 0001-01-01\n", "t.toml:2: Invalid Date: the holiday list takes years from 100 on"},
      {"[[condition]]\namount = -0.0\n", "t.toml:2: amount is a negative zero, which the expense window cannot take; write 0"},
      {c + "initial_cost = -0.0\n", "t.toml:3: initial_cost is a negative zero, which the expense window cannot take; write 0"},
      {c + "charged = \"per call\"\nother_isp_charge = -0.0\n",
       "t.toml:4: other_isp_charge is a negative zero, which the expense window cannot take; write 0"},
  };
  for (const auto& [file, want] : refused) EXPECT_EQ(fault(file), want) << file;

  // Their neighbours that the windows do take.
  const std::string accepted[] = {
      c + "connection = \"My ISP \\u00E9\"\n",
      h + "description = \"Christmas Day\"\n",
      c + "time = \"between\"\ntime_from = \"08:00\"\ntime_to = \"18:00\"\n",
      c + filter + "\"9999:59\" }\n",
      c + filter + "\"0:059\" }\n",
      c + "initial_cost = 0.5\ninitial_time = \"00:02:00\"\n",
      c + "charged = \"per call\"\ninitial_time = \"00:02:00\"\n",
      c + "initial_cost = 0\ninitial_time = \"02:00\"\n",
      "[[holiday]]\ndate = 0100-01-01\n",
      "[[condition]]\namount = 0.0\n",
      "[[condition]]\namount = -0\n",  // an integer has no sign of its own at 0
      c + "filter = { counter = \"Calls\", comparison = \"equals\", value = -0.0 }\n",  // that box takes any key
  };
  for (const auto& file : accepted) EXPECT_EQ(fault(file), "") << file;
}

// A holiday of the year 100 goes out and comes back as the same day.
TEST_F(TariffTest, TheEarliestHolidayTheListTakesGoesRoundTrip) {
  records.holidays.resize(1);
  records.holidays[0].HoliDate = Regional::fromDate(QDate(100, 1, 1));
  records.holidays[0].HoliName = "First";
  const std::string file = writeTariff(records, TariffPart::Holidays, kGuide);
  EXPECT_NE(file.find("date = 0100-01-01\n"), std::string::npos) << file;
  Tariff t;
  std::string error;
  ASSERT_TRUE(read(file, t, error)) << error;
  EXPECT_EQ(planHolidays(records, t).changes, std::vector<std::string>{});
}

TEST_F(TariffTest, WhatTheFileDoesNotHoldStaysAsItIs) {
  Tariff t;
  std::string error;
  ASSERT_TRUE(read("days_off = [\"Saturday\"]\n", t, error)) << error;
  EXPECT_FALSE(t.conditions);
  EXPECT_FALSE(t.holidays);
  ASSERT_TRUE(t.daysOff);
  records.holidays.resize(2);
  const HolidayPlan plan = planHolidays(records, t);
  EXPECT_EQ(plan.days.size(), 2u);
  EXPECT_TRUE(plan.weekOff[6]);
  EXPECT_EQ(plan.changes, std::vector<std::string>{"weekly days off: Saturday"});

  ASSERT_TRUE(read("condition = []\nholiday = []\n", t, error)) << error;
  ASSERT_TRUE(t.conditions && t.holidays);
  EXPECT_TRUE(t.conditions->empty());
  EXPECT_TRUE(planHolidays(records, t).days.empty());
}

}  // namespace
}  // namespace prandel::format
