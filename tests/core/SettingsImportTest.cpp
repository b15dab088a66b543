// SPDX-License-Identifier: GPL-3.0-or-later
// An import of conditions and holidays is one save: with any of its writes or flushes
// failing, the record file is as it was, or as a clean import leaves it.
#include <gtest/gtest.h>

#include <QDate>

#include "common/Regional.h"
#include "common/Session.h"
#include "common/SettingsImport.h"
#include "store/ExpenseCondition.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FailingCalls.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"

namespace prandel {
namespace {

using store::ExpenseCondition;

struct ImportKit {
  test::TempDir dir;
  test::FakePlatform fake;
  Session s{fake.services()};
  std::vector<std::uint8_t> before = test::patternBytes(40000, 5);

  ImportKit() {
    test::writeFileBytes(dir.file("mlif.zkt"), before);
    s.DataPath = dir.path();
    s.OpenDataFiles();
  }
  std::vector<std::uint8_t> bytes() const { return test::readFileBytes(dir.file("mlif.zkt")); }
};

ImportedSettings settings() {
  ImportedSettings what;
  what.conditions.emplace();
  for (int i = 0; i < 3; ++i) {
    ExpenseCondition& c = (*what.conditions)[static_cast<std::size_t>(i)];
    c.InUse = true;
    c.Amt = 1.5 * (i + 1);
  }
  HolidayList list;
  list.entries = {{Regional::fromDate(QDate(2026, 12, 25)), "Christmas", std::nullopt},
                  {Regional::fromDate(QDate(2026, 12, 26)), "Boxing Day", std::nullopt}};
  list.weekOff[0] = true;
  what.holidays = list;
  return what;
}

TEST(SettingsImport, AllOfItOrNoneOfItAtEveryFailingCall) {
  std::vector<std::uint8_t> clean;
  int calls = 0;
  {
    ImportKit k;
    test::FailingCalls count(0);
    ASSERT_TRUE(saveImportedSettings(k.s, settings()));
    calls = count.count();
    clean = k.bytes();
    store::MainRecord m;
    store::LinkRecord l;
    ASSERT_TRUE(store::MainRecIO(k.s.files, m, false) && store::LinkRecIO(k.s.files, l, false));
    EXPECT_EQ(m.ChangeCode, 5);
    EXPECT_EQ(m.HolidayCount, 2);
    EXPECT_EQ(l.ReloadFlag, -1);
    ExpenseCondition live, work;
    store::readRecord(k.s.files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 3, live);
    store::readRecord(k.s.files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + 3, work);
    EXPECT_EQ(live.Amt, 4.5);
    EXPECT_EQ(work.encoded(), live.encoded());
  }
  ASSERT_GT(calls, 5);
  for (const int error : {EIO, ENOSPC}) {
    for (int n = 1; n <= calls; ++n) {
      SCOPED_TRACE("call " + std::to_string(n) + (error == EIO ? " EIO" : " ENOSPC"));
      ImportKit k;
      bool ok = false;
      {
        test::FailingCalls fail(n, error);
        ok = saveImportedSettings(k.s, settings());
      }
      EXPECT_EQ(k.bytes(), ok ? clean : k.before);
    }
  }
}

}  // namespace
}  // namespace prandel
