// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Platform services for tests: a clock that never touches the system, a launcher
// that records what it was asked to start, and so on.
#include <QDateTime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"

namespace prandel::test {

class FakeClock final : public platform::Clock {
 public:
  std::chrono::system_clock::time_point now() const override { return now_; }
  bool advance(std::chrono::seconds by) override {
    advanced.push_back(by);
    if (!allowSet) return false;
    now_ += by;
    return true;
  }
  void set(const QDateTime& local);

  bool allowSet = true;
  std::vector<std::chrono::seconds> advanced;

 private:
  std::chrono::system_clock::time_point now_ = std::chrono::system_clock::time_point{};
};

class FakeLauncher final : public platform::ProcessLauncher {
 public:
  bool startDetached(const std::string& program) override {
    started.push_back(program);
    return true;
  }
  std::vector<std::string> started;
};

// As the lock files behave: a claim holds its title until it is destroyed.
class FakeWindowRegistry final : public platform::WindowRegistry {
 public:
  platform::ClaimResult claim(const std::string& title) override;
  std::set<std::string> held;  // titles held now, by another copy or by a claim given here
  std::string refuse;          // when not empty, every claim is refused with it
};

class FakeDialup final : public platform::DialupDirectory {
 public:
  std::vector<std::string> entryNames() override { return names; }
  std::vector<std::string> names;
};

class FakeFavorites final : public platform::FavoritesLocator {
 public:
  std::string favoritesPath() override { return path; }
  std::string path;
};

class FakeProfile final : public platform::RegionalProfile {
 public:
  std::string intl(const std::string& key) override {
    const auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }
  std::map<std::string, std::string> values{{"sShortDate", "M/d/yyyy"}};
};

// Reads ini files for real: the reader has no side effects worth faking.
class FakePlatform {
 public:
  FakePlatform();
  platform::Platform& services() { return services_; }

  FakeClock clock;
  FakeLauncher launcher;
  FakeWindowRegistry windows;
  FakeDialup dialup;
  FakeFavorites favorites;
  FakeProfile profile;
  platform::FileIniReader ini;

 private:
  platform::Platform services_;
};

}  // namespace prandel::test
