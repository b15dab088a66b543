// SPDX-License-Identifier: GPL-3.0-or-later
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/LinuxPlatform.h"

namespace prandel::platform {

std::string HomeFavorites::favoritesPath() {
  std::string home;
  if (const char* h = std::getenv("HOME"); h && *h) {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  }
  if (home.empty()) return {};
  if (home.back() == '/') home.pop_back();
  return home + "/Favorites";
}

}  // namespace prandel::platform
