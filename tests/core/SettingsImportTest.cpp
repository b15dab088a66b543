// SPDX-License-Identifier: GPL-3.0-or-later
// An import of conditions and holidays is one save: with any of its writes or flushes
// failing, the record file is as it was, or as a clean import leaves it.
#include <gtest/gtest.h>

#include <QDate>

#include "core/Regional.h"
#include "core/SettingsImport.h"
#include "store/ExpenseCondition.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FailingCalls.h"
#include "support/FolderKit.h"

namespace prandel {
namespace {

using store::ExpenseCondition;

struct ImportKit : test::FolderKit {
  std::vector<std::uint8_t> before = test::patternBytes(40000, 5);

  ImportKit() {
    test::writeFileBytes(dir.file("mlif.zkt"), before);
    reopen();
  }
  bool save(const ImportedSettings& what) { return saveImportedSettings(files(), main, holiday, what); }
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
    ASSERT_TRUE(k.save(settings()));
    calls = count.count();
    clean = k.bytes();
    store::MainRecord m;
    store::LinkRecord l;
    ASSERT_TRUE(store::MainRecIO(k.files(), m, false) && store::LinkRecIO(k.files(), l, false));
    EXPECT_EQ(m.ChangeCode, 5);
    EXPECT_EQ(m.HolidayCount, 2);
    EXPECT_EQ(l.ReloadFlag, -1);
    ExpenseCondition live, work;
    store::readRecord(k.files(), ExpenseCondition::Channel, ExpenseCondition::LiveBase + 3, live);
    store::readRecord(k.files(), ExpenseCondition::Channel, ExpenseCondition::WorkBase + 3, work);
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
        ok = k.save(settings());
      }
      EXPECT_EQ(k.bytes(), ok ? clean : k.before);
    }
  }
}

}  // namespace
}  // namespace prandel
