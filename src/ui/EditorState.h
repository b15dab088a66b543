// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state of one run: the data folder, the open record files, the record buffers
// and the other variables every window shares. Start-up makes one and hands it to
// the window it opens; tests make one on a temporary folder with fake services.
#include <QString>
#include <cstdint>
#include <string>

#include "common/Regional.h"
#include "platform/Platform.h"
#include "store/BookmarkRecord.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel {

class Session {
 public:
  explicit Session(platform::Platform& services, const QLocale& locale = QLocale::system());
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  platform::Platform& platform;
  Regional regional;

  std::string ProgramDir;  // folder of the running executable: sibling programs live here
  std::string DataPath;    // folder of the record files
  std::int32_t hWndFound = 0;
  QString ShortDateFmt;

  store::DataFiles files;
  store::MainRecord MainRec;
  store::LinkRecord LinkRec;
  store::ExpenseCondition CondRec;
  store::HolidayRecord HoliRec;
  store::BookmarkRecord BookRec;
  std::int64_t BookCount = 0;

  // Inputs and outputs of the condition matching.
  double EvalMoment = 0;
  QString EvalConn;
  QString CurConn;  // the tracker's connection in use; never set here
  std::int32_t MinuteOfWeek = 0;
  std::int32_t CondCount = 0;

  // Worked out afresh by KeyFilter, CommaToDecimal and DecimalToComma.
  QString DecSep;
  QString DateSep;
  QString TimeSep;

  bool OpenDataFiles() { return files.openAll(DataPath); }
  void CloseAllFiles() { files.closeAll(); }
  bool MainRecIO(bool doWrite);
  bool LinkRecIO(bool doWrite);
  // A value of the user's regional settings; empty when absent.
  QString GetIntl(const QString& key) const;
  // Today's date at midnight, from the session's clock.
  double today() const;
  // Now, date and time, from the session's clock.
  double now() const;
};

}  // namespace prandel
