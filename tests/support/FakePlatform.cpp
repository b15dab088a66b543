// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakePlatform.h"

namespace prandel::test {

void FakeClock::set(const QDateTime& local) {
  now_ = std::chrono::system_clock::time_point{std::chrono::milliseconds{local.toMSecsSinceEpoch()}};
}

namespace {
class FakeClaim final : public platform::TitleClaim {
 public:
  FakeClaim(std::set<std::string>& held, std::string title) : held_(held), title_(std::move(title)) {
    held_.insert(title_);
  }
  ~FakeClaim() override { held_.erase(title_); }

 private:
  std::set<std::string>& held_;
  std::string title_;
};
}  // namespace

platform::ClaimResult FakeWindowRegistry::claim(const std::string& title) {
  if (!refuse.empty()) return {nullptr, refuse};
  if (held.count(title)) return {};
  return {std::make_unique<FakeClaim>(held, title), {}};
}

FakePlatform::FakePlatform() {
  clock.set(QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
  services_.clock = &clock;
  services_.launcher = &launcher;
  services_.windows = &windows;
  services_.dialup = &dialup;
  services_.favorites = &favorites;
  services_.profile = &profile;
  services_.ini = &ini;
}

}  // namespace prandel::test
