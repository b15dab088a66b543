// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecordFolder.h"

#include <QDateTime>
#include <chrono>

#include "store/RecordIO.h"

namespace prandel {

RecordFolder::RecordFolder(platform::Platform& services, const QLocale& locale)
    : services_(services), regional_(locale) {}

std::optional<store::MainRecord> RecordFolder::readMain() const {
  store::MainRecord m;
  if (!store::readRecord(files_, store::MainRecord::Channel, store::MainRecord::RecordNo, m)) return std::nullopt;
  return m;
}

std::optional<store::LinkRecord> RecordFolder::readLink() const {
  store::LinkRecord l;
  if (!store::readRecord(files_, store::LinkRecord::Channel, store::LinkRecord::RecordNo, l)) return std::nullopt;
  return l;
}

QString RecordFolder::intl(const QString& key) const {
  if (!services_.profile) return {};
  return QString::fromStdString(services_.profile->intl(key.toStdString()));
}

double RecordFolder::now() const {
  const auto tp = services_.clock ? services_.clock->now() : std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count();
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
  return Regional::fromDateTime(local.date(), local.time());
}

double RecordFolder::today() const {
  const auto d = Regional::datePart(now());
  return d ? Regional::fromDate(*d) : 0;
}

}  // namespace prandel
