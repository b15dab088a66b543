// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stand-ins for the operating-system services the editors rely on, each behind a
// small interface so that tests can put their own in place.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace prandel::platform {

// The system clock. Shutdown moves it one minute ahead to tell the tracker that
// settings changed; tests must never reach the real one.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::system_clock::time_point now() const = 0;
  // Sets the clock ahead by the given amount; false when not allowed (no right to
  // set the time), which callers ignore.
  virtual bool advance(std::chrono::seconds by) = 0;
};

// Starts another program of the suite without a shell, detached, leaving no zombie.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // False when the program is missing or could not be started.
  virtual bool startDetached(const std::string& program) = 0;
};

// Held while an editor window with that title is open; released when destroyed or
// when the process ends, however it ends.
class TitleClaim {
 public:
  virtual ~TitleClaim() = default;
};

// What asking for a title gave: the claim, held until it is destroyed; or none, because
// another window holds the title (refused empty) or because no claim can be made at
// all, which refused says, naming the place and what is wrong with it.
struct ClaimResult {
  std::unique_ptr<TitleClaim> claim;
  std::string refused;
};

// The single-instance check: is a window with this exact title open anywhere?
class WindowRegistry {
 public:
  virtual ~WindowRegistry() = default;
  virtual ClaimResult claim(const std::string& title) = 0;
};

// Names of the dial-up entries, in the order the system gives them.
class DialupDirectory {
 public:
  virtual ~DialupDirectory() = default;
  virtual std::vector<std::string> entryNames() = 0;
};

// The user's favourites folder; empty when there is none.
class FavoritesLocator {
 public:
  virtual ~FavoritesLocator() = default;
  virtual std::string favoritesPath() = 0;
};

// Values of the user's regional settings, by the names the tracker's platform used
// ("sShortDate", ...); empty when unknown.
class RegionalProfile {
 public:
  virtual ~RegionalProfile() = default;
  virtual std::string intl(const std::string& key) = 0;
};

// One value of an ini-style file such as an Internet shortcut, as the old
// platform's private-profile call read it: section and key matched without regard
// to case, the value after the first "=", cut to at most maxChars characters; empty
// when the file, section or key is missing.
class IniReader {
 public:
  virtual ~IniReader() = default;
  virtual std::string value(const std::string& path, const std::string& section, const std::string& key,
                            std::size_t maxChars) = 0;
};

// The services a session uses. The app fills it with the Linux stand-ins.
struct Platform {
  Clock* clock = nullptr;
  ProcessLauncher* launcher = nullptr;
  WindowRegistry* windows = nullptr;
  DialupDirectory* dialup = nullptr;
  FavoritesLocator* favorites = nullptr;
  RegionalProfile* profile = nullptr;
  IniReader* ini = nullptr;
};

}  // namespace prandel::platform
