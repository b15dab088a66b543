// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "ui/EditorState.h"
#include "ui/SharedProcs.h"
#include "support/FakePlatform.h"
#include "support/StateKit.h"
#include "support/TempDir.h"

namespace prandel {
namespace {

const QLocale kEnUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDeDe(QLocale::German, QLocale::Germany);

struct KeyCase {
  const char* what;
  const QLocale* locale;
  bool commaDecimal;
  int kind;
  const char* text;
  char key;
  bool accepted;
};

TEST(KeyFilter, AcceptsAndRejectsByKind) {
  const KeyCase cases[] = {
      {"time: p accepted", &kEnUs, false, 1, "", 'p', true},
      {"time: x rejected", &kEnUs, false, 1, "", 'x', false},
      {"time: first colon", &kEnUs, false, 1, "10", ':', true},
      {"time: second colon", &kEnUs, false, 1, "10:3", ':', false},
      {"time: blank", &kEnUs, false, 1, "10", ' ', true},
      {"duration: colon twice is fine", &kEnUs, false, 2, "1:2", ':', true},
      {"duration: letter", &kEnUs, false, 2, "", 'a', false},
      {"date: slash", &kEnUs, false, 3, "12", '/', true},
      {"date: dot in German", &kDeDe, false, 3, "12", '.', true},
      {"date: slash in German", &kDeDe, false, 3, "12", '/', true},
      {"date: dash in US", &kEnUs, false, 3, "12", '-', false},
      {"amount: dot once", &kEnUs, false, 4, "12", '.', true},
      {"amount: dot twice", &kEnUs, false, 4, "12.5", '.', false},
      {"amount: comma in US", &kEnUs, false, 4, "12", ',', false},
      {"amount: comma in German", &kDeDe, false, 5, "12", ',', true},
      {"amount: dot in German", &kDeDe, false, 5, "12", '.', false},
      {"comma decimal: comma once", &kEnUs, true, 4, "12", ',', true},
      {"comma decimal: comma twice", &kEnUs, true, 4, "12,5", ',', false},
      {"comma decimal: digit", &kEnUs, true, 4, "12,5", '7', true},
      {"comma decimal: dot", &kEnUs, true, 5, "12", '.', false},
      {"whole: digit", &kEnUs, false, 6, "", '7', true},
      {"whole: minus", &kEnUs, false, 6, "", '-', false},
      {"other kind: anything", &kEnUs, false, 9, "", '#', true},
  };
  test::FakePlatform fake;
  for (const auto& c : cases) {
    test::StandaloneState s(fake.services(), *c.locale);
    s.MainRec.CommaDecimal = c.commaDecimal;
    const int got = KeyFilter(s, c.key, c.kind, QString::fromLatin1(c.text));
    EXPECT_EQ(got, c.accepted ? c.key : kRejectedKey) << c.what;
  }
  test::StandaloneState s(fake.services(), kEnUs);
  for (int kind = 1; kind <= 6; ++kind) EXPECT_EQ(KeyFilter(s, kBackspace, kind, QString()), kBackspace) << kind;
  KeyFilter(s, '1', 1, QString());
  EXPECT_EQ(s.DecSep, QStringLiteral("."));
  EXPECT_EQ(s.TimeSep, QStringLiteral(":"));
  EXPECT_EQ(s.DateSep, QStringLiteral("/"));
}

TEST(FixTimeText, ShortEntriesBecomeDurations) {
  const std::pair<const char*, const char*> cases[] = {
      {"5:30", "00:5:30"}, {"12:45", "00:12:45"}, {"1:20:00", "1:20:00"}, {"90", "90"},
      {"1:2:3", "1:2:3"},  {"130", "00:130"},     {"", ""},               {"12:34:56", "12:34:56"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(FixTimeText(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

TEST(CommaNotation, ConvertsOnlyWhenTheTrackerUsesCommas) {
  test::FakePlatform fake;
  test::StandaloneState us(fake.services(), kEnUs);
  EXPECT_EQ(CommaToDecimal(us, QStringLiteral("1,5")), QStringLiteral("1,5"));
  EXPECT_EQ(DecimalToComma(us, QStringLiteral("1.50")), QStringLiteral("1.50"));
  us.MainRec.CommaDecimal = true;
  EXPECT_EQ(CommaToDecimal(us, QStringLiteral("1,5")), QStringLiteral("1.5"));
  EXPECT_EQ(DecimalToComma(us, QStringLiteral("1.50")), QStringLiteral("1,50"));
  test::StandaloneState de(fake.services(), kDeDe);
  de.MainRec.CommaDecimal = true;
  EXPECT_EQ(CommaToDecimal(de, QStringLiteral("1,5")), QStringLiteral("1,5"));
  EXPECT_EQ(DecimalToComma(de, QStringLiteral("1,50")), QStringLiteral("1,50"));
}

TEST(RunApp, CodesChooseTheProgramAndOthersGoThroughTheLinkRecord) {
  test::TempDir dir;
  test::FakePlatform fake;
  test::StandaloneState s(fake.services(), kEnUs);
  s.ProgramDir = "/opt/zelkora";
  s.DataPath = dir.path();
  s.OpenDataFiles();
  const std::pair<int, const char*> sibling[] = {{0, "zkapp1"},    {1000, "zkapp2"}, {2000, "zkapp3"}, {3000, "zkapp4"},
                                                 {4000, "zkapp5"}, {5000, "zkapp6"}, {6000, "zkapp7"}};
  for (const auto& [code, program] : sibling) {
    RunApp(s, static_cast<std::int16_t>(code), false);
    EXPECT_EQ(fake.launcher.started.back(), std::string("/opt/zelkora/") + program);
  }
  EXPECT_EQ(test::readFileBytes(dir.file("mlif.zkt")).size(), 0u);  // no request written for those

  RunApp(s, 56, false);
  EXPECT_EQ(fake.launcher.started.back(), "/opt/zelkora/zkapp1");
  const auto bytes = test::readFileBytes(dir.file("mlif.zkt"));
  ASSERT_GE(bytes.size(), 8192u + 359);
  EXPECT_EQ(bytes[8192], 56);
  EXPECT_EQ(bytes[8193], 0);
}

}  // namespace
}  // namespace prandel
