// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Session.h"

#include <QDateTime>

#include "store/RecordIO.h"

namespace prandel {

Session::Session(platform::Platform& services, const QLocale& locale)
    : platform(services), regional(locale) {}

bool Session::MainRecIO(bool doWrite) { return store::MainRecIO(files, MainRec, doWrite); }

bool Session::LinkRecIO(bool doWrite) { return store::LinkRecIO(files, LinkRec, doWrite); }

QString Session::GetIntl(const QString& key) const {
  if (!platform.profile) return {};
  return QString::fromStdString(platform.profile->intl(key.toStdString()));
}

double Session::now() const {
  const auto tp = platform.clock ? platform.clock->now() : std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count();
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
  return Regional::fromDateTime(local.date(), local.time());
}

double Session::today() const {
  const auto d = Regional::datePart(now());
  return d ? Regional::fromDate(*d) : 0;
}

}  // namespace prandel
