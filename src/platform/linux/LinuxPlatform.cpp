// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/LinuxPlatform.h"

#include <utility>

namespace prandel::platform {

LinuxPlatform::LinuxPlatform(IntlValues intl) : profile_(std::move(intl)) {
  services_.clock = &clock_;
  services_.launcher = &launcher_;
  services_.windows = &windows_;
  services_.dialup = &dialup_;
  services_.favorites = &favorites_;
  services_.profile = &profile_;
  services_.ini = &ini_;
}

}  // namespace prandel::platform
