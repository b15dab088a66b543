// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the editor windows share while prandel runs: the record buffers they read into
// and write from, the values start-up found (the folders, the short date pattern),
// the key filter's separators and the condition map's evaluation. Start-up makes one
// on the data folder and hands it to the window it opens; tests make one on a
// temporary folder with fake services. The data folder itself, its files and its
// regional settings are core's (core/RecordFolder.h).
#include <QString>
#include <cstdint>
#include <string>

#include "core/RecordFolder.h"
#include "core/Regional.h"
#include "platform/Platform.h"
#include "store/BookmarkRecord.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel::ui {

class EditorState {
 public:
  explicit EditorState(RecordFolder& folder);
  EditorState(const EditorState&) = delete;
  EditorState& operator=(const EditorState&) = delete;

  RecordFolder& folder;
  // The folder's services, regional settings and files, by the names the windows use.
  platform::Platform& platform;
  const Regional& regional;
  store::DataFiles& files;

  std::string ProgramDir;  // folder of the running executable: sibling programs live here
  std::string DataPath;    // folder of the record files
  std::int32_t hWndFound = 0;
  QString ShortDateFmt;

  store::MainRecord MainRec;
  store::LinkRecord LinkRec;
  store::ExpenseCondition CondRec;
  store::HolidayRecord HoliRec;
  store::BookmarkRecord BookRec;
  std::int64_t BookCount = 0;

  // The condition map's evaluation (ui/EditorMatching.h).
  double EvalMoment = 0;
  QString EvalConn;
  QString CurConn;  // the tracker's connection in use; never set here
  std::int32_t MinuteOfWeek = 0;
  std::int32_t CondCount = 0;

  // Worked out afresh by KeyFilter, CommaToDecimal, DecimalToComma and FormatDNum.
  QString DecSep;
  QString DateSep;
  QString TimeSep;

  bool OpenDataFiles() { return folder.open(DataPath); }
  bool CloseAllFiles() { return folder.close(); }
  bool MainRecIO(bool doWrite);
  bool LinkRecIO(bool doWrite);
  // A value of the user's regional settings; empty when absent.
  QString GetIntl(const QString& key) const { return folder.intl(key); }
  // Today's date at midnight, from the folder's clock.
  double today() const { return folder.today(); }
  // Now, date and time, from the folder's clock.
  double now() const { return folder.now(); }
};

}  // namespace prandel::ui
