// SPDX-License-Identifier: GPL-3.0-or-later
#include <ctime>

#include "platform/linux/LinuxPlatform.h"

namespace prandel::platform {

std::chrono::system_clock::time_point SystemClock::now() const { return std::chrono::system_clock::now(); }

bool SystemClock::advance(std::chrono::seconds by) {
  timespec ts{};
  if (::clock_gettime(CLOCK_REALTIME, &ts) != 0) return false;
  ts.tv_sec += static_cast<time_t>(by.count());
  return ::clock_settime(CLOCK_REALTIME, &ts) == 0;
}

}  // namespace prandel::platform
