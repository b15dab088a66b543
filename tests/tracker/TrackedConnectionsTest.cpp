// SPDX-License-Identifier: GPL-3.0-or-later
// Which connections the tracker times: by default dial-up, mobile and metered ones,
// and those a live condition is bound to; the log's tracked-connections setting
// names them instead, or takes all.
#include <gtest/gtest.h>

#include "TrackerKit.h"
#include "tracker/TrackerOptions.h"

namespace prandel::test {
namespace {

using platform::Metered;

TEST(TrackedConnections, ByDefaultDialUpMobileMeteredAndConditionBoundOnes) {
  // Live conditions bound to "Office VPN" and to a name cut to 20 characters; one not
  // in use bound to "Old ISP".
  auto t = tariff({cond({perHour(1), boundTo("Office VPN")}), cond({perHour(2), boundTo("Provider with a long")})});
  t.conditions[2].ConVal = true;
  t.conditions[2].ConNm = "Old ISP";
  struct Case {
    ConnectionInfo c;
    bool tracked;
  };
  const Case cases[] = {
      {{"1", "Dial-Up", "ppp0", "ppp", Metered::Unknown}, true},
      {{"2", "Mobile", "wwan0", "gsm", Metered::Unknown}, true},
      {{"3", "EVDO", "ppp1", "cdma", Metered::No}, true},
      {{"4", "Phone hotspot", "wlan0", "802-11-wireless", Metered::GuessYes}, true},
      {{"5", "Metered LAN", "eth1", "802-3-ethernet", Metered::Yes}, true},
      {{"6", "Wired", "eth0", "802-3-ethernet", Metered::Unknown}, false},
      {{"7", "Home Wi-Fi", "wlan0", "802-11-wireless", Metered::GuessNo}, false},
      {{"8", "Office VPN", "tun0", "vpn", Metered::No}, true},
      // The condition holds the name's first 20 characters.
      {{"9", "Provider with a long name", "tun1", "wireguard", Metered::No}, true},
      {{"10", "Old ISP", "eth0", "802-3-ethernet", Metered::Unknown}, false},
      {{"11", "", "lo", "loopback", Metered::Unknown}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(tracker::isTracked(c.c, {}, t), c.tracked) << c.c.name << " " << c.c.type;
}

TEST(TrackedConnections, TheLogsSettingNamesThemOrTakesAll) {
  const auto t = tariff({cond({perHour(1)})});
  const ConnectionInfo wired{"1", "Wired", "eth0", "802-3-ethernet", Metered::Unknown};
  const ConnectionInfo dial{"2", "Dial-Up", "ppp0", "ppp", Metered::Unknown};
  struct Case {
    std::string setting;
    bool wired, dial;
  };
  const Case cases[] = {
      {"", false, true},                    // the default
      {"   ", false, true},
      {"all", true, true},
      {" ALL ", true, true},
      {"Wired", true, false},               // only the names given
      {" Wired , Dial-Up ,", true, true},
      {"wired", false, false},              // names are matched exactly
  };
  for (const auto& c : cases) {
    tracker::TrackerOptions o;
    tracker::parseTracked(c.setting, o);
    EXPECT_EQ(tracker::isTracked(wired, o, t), c.wired) << "'" << c.setting << "'";
    EXPECT_EQ(tracker::isTracked(dial, o, t), c.dial) << "'" << c.setting << "'";
  }
}

TEST(TrackedConnections, OnlyTrackedOnesBecomeSessionsAndTheSettingIsReadWhenOneComesUp) {
  TempDir dir;
  writeTariff(dir.path(), tariff({cond({perHour(3.60)})}));
  FakeClock clock(dec(14, 10, 0, 0));
  Bench b(dir.path(), clock);
  b.start();
  const ConnectionInfo wired{"/ac/9", "Wired", "eth0", "802-3-ethernet", Metered::No};
  b.monitor.report(wired, ConnectionState::Activated);
  b.monitor.report(dialUp(), ConnectionState::Activated);
  b.run(60);
  b.monitor.report(wired, ConnectionState::Deactivated);
  {
    tracker::CallLog log;
    ASSERT_TRUE(log.open(dir.path(), tracker::CallLog::Access::Write));
    ASSERT_TRUE(log.setSetting(tracker::TrackerOptions::kTrackedKey, "all"));
  }
  b.monitor.report(wired, ConnectionState::Activated);
  b.run(60);
  b.monitor.report(wired, ConnectionState::Deactivated);
  b.monitor.report(dialUp(), ConnectionState::Deactivated);
  std::vector<std::string> got;
  for (const auto& s : loggedSessions(dir.path())) got.push_back(s.session.connection + " " + std::to_string(s.session.countedSeconds));
  EXPECT_EQ(got, (std::vector<std::string>{"Dial-Up 120", "Wired 60"}));
}

TEST(TrackedConnections, ASessionIsLoggedUnderTheFirst20CharactersOfItsName) {
  EXPECT_EQ(tracker::sessionName("Dial-Up"), "Dial-Up");
  EXPECT_EQ(tracker::sessionName("Provider with a long name"), "Provider with a long");
  // Characters, not bytes: "ü" is two bytes of UTF-8.
  EXPECT_EQ(tracker::sessionName("Überlandwerk Süd GmbH Mobil"), "Überlandwerk Süd Gmb");
}

}  // namespace
}  // namespace prandel::test
