// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLocale>

#include "common/Regional.h"
#include "platform/linux/LinuxPlatform.h"

namespace prandel::platform {

std::string LocaleProfile::intl(const std::string& key) {
  const Regional regional{QLocale::system()};
  if (key == "sShortDate") return regional.shortDatePattern().toStdString();
  if (key == "sDecimal") return regional.decimalSeparator().toStdString();
  if (key == "sDate") return regional.dateSeparator().toStdString();
  if (key == "sTime") return regional.timeSeparator().toStdString();
  return {};
}

}  // namespace prandel::platform
