// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One data folder as every front end holds it: its record files, the regional
// settings its texts are read and written in, and the platform services its work
// needs. The editors, zktrack and the tracker each make one; tests make one on a
// temporary folder with fake services. What an editor keeps between its steps (its
// record buffers, the key filter's separators) is the editor's own (ui/EditorState.h).
#include <QLocale>
#include <QString>
#include <optional>
#include <string>

#include "core/Regional.h"
#include "platform/Platform.h"
#include "store/DataFiles.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel {

class RecordFolder {
 public:
  explicit RecordFolder(platform::Platform& services, const QLocale& locale = QLocale::system());
  RecordFolder(const RecordFolder&) = delete;
  RecordFolder& operator=(const RecordFolder&) = delete;

  platform::Platform& services() const { return services_; }
  const Regional& regional() const { return regional_; }
  // For settings such as the year that dates without one take (Regional::setCurrentYear).
  Regional& regional() { return regional_; }
  store::DataFiles& files() { return files_; }
  const store::DataFiles& files() const { return files_; }

  // Every record file of folder, made when missing (store::DataFiles::openAll).
  bool open(const std::string& folder) { return files_.openAll(folder); }
  // Every record file that folder has, for reading only: nothing is made or changed.
  bool openForReading(const std::string& folder) { return files_.openAllForReading(folder); }
  // False when the system reported an error for a file (store::DataFiles::closeAll).
  bool close() { return files_.closeAll(); }

  // The record as the file holds it now; nothing when it cannot be read.
  std::optional<store::MainRecord> readMain() const;
  std::optional<store::LinkRecord> readLink() const;

  // A value of the user's regional settings by the old profile's name ("sShortDate");
  // empty when unknown.
  QString intl(const QString& key) const;
  // Now, date and time, from the services' clock (the system's when there is none).
  double now() const;
  // Today's date at midnight, from the same clock.
  double today() const;

 private:
  platform::Platform& services_;
  Regional regional_;
  store::DataFiles files_;
};

}  // namespace prandel
