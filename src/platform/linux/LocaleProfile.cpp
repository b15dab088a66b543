// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/LinuxPlatform.h"

namespace prandel::platform {

std::string LocaleProfile::intl(const std::string& key) {
  if (key == "sShortDate") return values_.shortDate;
  if (key == "sDecimal") return values_.decimal;
  if (key == "sDate") return values_.date;
  if (key == "sTime") return values_.time;
  return {};
}

}  // namespace prandel::platform
