// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tests of core share: the data folder object on a fresh temporary folder,
// with fake platform services, its files open, and the record buffers a front end
// keeps (an editor's MainRec, CondRec, HoliRec and LinkRec).
#include <QLocale>
#include <cstdint>
#include <string>
#include <vector>

#include "core/RecordFolder.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"

namespace prandel::test {

struct FolderKit {
  TempDir dir;
  FakePlatform fake;
  RecordFolder folder;
  store::MainRecord main;
  store::ExpenseCondition condition;
  store::HolidayRecord holiday;
  store::LinkRecord link;

  explicit FolderKit(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
      : folder(fake.services(), locale) {
    folder.open(dir.path());
  }
  FolderKit(const FolderKit&) = delete;
  FolderKit& operator=(const FolderKit&) = delete;

  store::DataFiles& files() { return folder.files(); }
  const Regional& regional() const { return folder.regional(); }
  // The files closed and opened again, as a new program would find them.
  void reopen() {
    folder.close();
    folder.open(dir.path());
  }
  std::vector<std::uint8_t> bytes(const std::string& name = "mlif.zkt") const { return readFileBytes(dir.file(name)); }
};

}  // namespace prandel::test
