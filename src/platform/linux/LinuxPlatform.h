// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Linux stand-ins of the platform services.
#include <memory>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace prandel::platform {

class SystemClock final : public Clock {
 public:
  std::chrono::system_clock::time_point now() const override;
  // clock_settime; fails silently without the right to set the time.
  bool advance(std::chrono::seconds by) override;
};

// fork, setsid, fork again and exec: the program runs on its own and the
// intermediate child is reaped at once, so nothing is left as a zombie.
class SpawnLauncher final : public ProcessLauncher {
 public:
  bool startDetached(const std::string& program) override;
};

// The folder of the single-instance locks: runtimeDir/prandel when runtimeDir (the
// value of $XDG_RUNTIME_DIR) is an absolute folder of the user's own, else
// sharedBase/prandel-<uid> (sharedBase is /tmp, where anyone may make anything).
std::string lockFolderFor(const char* runtimeDir, const std::string& sharedBase, unsigned uid);

// An advisory lock per title in the user's runtime folder. The kernel drops the
// lock when its holder ends, so a crashed copy leaves nothing stale behind.
//
// The folder is made as tmux and ssh-agent make theirs: with mode 0700 when it is
// missing; one that is there already is used only when it is a real folder (no
// symbolic link) of the user's own that no one else can enter. Otherwise every claim
// is refused with the reason, and nothing there is changed: another user may have
// made it first to turn the editors away or to have its target's mode changed.
class LockFileRegistry final : public WindowRegistry {
 public:
  // folder empty: lockFolderFor($XDG_RUNTIME_DIR, "/tmp", the user).
  explicit LockFileRegistry(std::string folder = {});
  ClaimResult claim(const std::string& title) override;
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
};

// pppd's peers: the regular files of a folder, sorted by name, at most 256.
class PeersDirectory final : public DialupDirectory {
 public:
  explicit PeersDirectory(std::string folder = "/etc/ppp/peers");
  std::vector<std::string> entryNames() override;

 private:
  std::string folder_;
};

// ~/Favorites.
class HomeFavorites final : public FavoritesLocator {
 public:
  std::string favoritesPath() override;
};

// The values of the user's regional settings under the old profile's names, worked
// out from the locale by whoever reads it (start-up, with core's regional settings):
// this layer knows no locale's conventions.
struct IntlValues {
  std::string shortDate;  // sShortDate: "M/d/yyyy"
  std::string decimal;    // sDecimal
  std::string date;       // sDate: the date separator
  std::string time;       // sTime: the time separator
};

// The "Intl" profile values, as given.
class LocaleProfile final : public RegionalProfile {
 public:
  explicit LocaleProfile(IntlValues values = {}) : values_(std::move(values)) {}
  std::string intl(const std::string& key) override;

 private:
  IntlValues values_;
};

class FileIniReader final : public IniReader {
 public:
  std::string value(const std::string& path, const std::string& section, const std::string& key,
                    std::size_t maxChars) override;
};

// All of them together, for the running program.
class LinuxPlatform {
 public:
  explicit LinuxPlatform(IntlValues intl = {});
  Platform& services() { return services_; }

 private:
  SystemClock clock_;
  SpawnLauncher launcher_;
  LockFileRegistry windows_;
  PeersDirectory dialup_;
  HomeFavorites favorites_;
  LocaleProfile profile_;
  FileIniReader ini_;
  Platform services_;
};

}  // namespace prandel::platform
