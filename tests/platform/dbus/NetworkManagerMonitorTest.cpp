// SPDX-License-Identifier: GPL-3.0-or-later
// The NetworkManager monitor against NetworkManager mocked on a private bus: the
// states of each connection reported once and in order however NetworkManager
// tells them, the connections up before watching began, the counters, disconnecting,
// and no NetworkManager at all.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <vector>

#include "MockBuses.h"
#include "platform/linux/NetworkManagerMonitor.h"
#include "support/TempDir.h"

namespace prandel::platform {
namespace {

using test::MockBuses;
using test::TempDir;

struct Event {
  ConnectionInfo info;
  ConnectionState state;
};

class Recorder final : public ConnectionMonitor::Listener {
 public:
  void connectionChanged(const ConnectionInfo& connection, ConnectionState state) override {
    events.push_back({connection, state});
  }
  std::vector<Event> events;
};

const char* nameOf(ConnectionState s) {
  switch (s) {
    case ConnectionState::Activating: return "activating";
    case ConnectionState::Activated: return "activated";
    case ConnectionState::Deactivated: return "deactivated";
  }
  return "?";
}

// The states told about one connection, in order.
std::vector<std::string> statesOf(const std::vector<Event>& events, const std::string& id) {
  std::vector<std::string> out;
  for (const auto& e : events)
    if (e.info.id == id) out.emplace_back(nameOf(e.state));
  return out;
}

class NetworkManagerMonitorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { buses_ = new MockBuses(); }
  static void TearDownTestSuite() {
    delete buses_;
    buses_ = nullptr;
  }

  void SetUp() override {
    if (!buses_->ready()) GTEST_SKIP() << "no private D-Bus with dbusmock here: " << buses_->whyNot();
  }

  std::unique_ptr<NetworkManagerMonitor> startMonitor() {
    NetworkManagerMonitor::Options o;
    o.busAddress = buses_->systemAddress();
    o.sysfsRoot = sysfs_.path();
    auto m = std::make_unique<NetworkManagerMonitor>(o);
    m->setListener(&recorder_);
    std::string error;
    EXPECT_TRUE(m->start(error)) << error;
    return m;
  }

  // nm add: the active connection's path and its device's.
  std::pair<std::string, std::string> add(const QStringList& args) {
    const auto r = buses_->run(QStringList{QStringLiteral("nm"), QStringLiteral("add")} + args);
    EXPECT_TRUE(r.ok) << r.output.toStdString();
    const auto words = r.output.split(QLatin1Char(' '));
    if (words.size() != 2) return {};
    return {words[0].toStdString(), words[1].toStdString()};
  }

  // A connection dialled and brought up, each state heard before the next.
  std::pair<std::string, std::string> bringUp(const QStringList& args) {
    const std::size_t before = recorder_.events.size();
    auto added = add(args);
    EXPECT_TRUE(waitForEvents(before + 1));
    nm({QStringLiteral("state"), QString::fromStdString(added.first), QStringLiteral("2")});
    EXPECT_TRUE(waitForEvents(before + 2));
    return added;
  }

  void nm(const QStringList& args) {
    const auto r = buses_->run(QStringList{QStringLiteral("nm")} + args);
    ASSERT_TRUE(r.ok) << r.output.toStdString();
  }

  // Events arrive through the event loop; bounded.
  bool waitForEvents(std::size_t n) {
    return QTest::qWaitFor([&] { return recorder_.events.size() >= n; }, 10000);
  }

  static MockBuses* buses_;
  TempDir sysfs_;
  Recorder recorder_;
};

MockBuses* NetworkManagerMonitorTest::buses_ = nullptr;

QString q(const std::string& s) { return QString::fromStdString(s); }

// NetworkManager tells a change of state by StateChanged, by a PropertiesChanged of
// State (older versions), or by both (today): each way gives every state once.
TEST_F(NetworkManagerMonitorTest, ReportsEachStateOnceWhicheverWayItIsTold) {
  auto monitor = startMonitor();
  for (const char* via : {"both", "signal", "properties"}) {
    SCOPED_TRACE(via);
    recorder_.events.clear();
    const auto [path, device] = add({QStringLiteral("ISP A"), QStringLiteral("--interface"), QStringLiteral("ppp7"),
                                     QStringLiteral("--metered"), QStringLiteral("1")});
    ASSERT_TRUE(waitForEvents(1));
    nm({QStringLiteral("state"), q(path), QStringLiteral("2"), QStringLiteral("--via"), QLatin1String(via)});
    ASSERT_TRUE(waitForEvents(2));
    nm({QStringLiteral("state"), q(path), QStringLiteral("2"), QStringLiteral("--via"), QLatin1String(via)});
    nm({QStringLiteral("state"), q(path), QStringLiteral("3"), QStringLiteral("--via"), QLatin1String(via)});
    nm({QStringLiteral("state"), q(path), QStringLiteral("4"), QStringLiteral("--via"), QLatin1String(via)});
    ASSERT_TRUE(waitForEvents(3));
    nm({QStringLiteral("remove"), q(path)});
    QTest::qWait(300);

    EXPECT_EQ(statesOf(recorder_.events, path), (std::vector<std::string>{"activating", "activated", "deactivated"}));
    ASSERT_EQ(recorder_.events.size(), 3u);
    const auto& dialling = recorder_.events[0].info;
    EXPECT_EQ(dialling.name, "ISP A");
    EXPECT_EQ(dialling.type, "ppp");
    EXPECT_EQ(dialling.metered, Metered::Yes);
    EXPECT_EQ(dialling.interface, "") << "a modem names its IP interface only once the link is up";
    EXPECT_EQ(recorder_.events[1].info.interface, "ppp7");
    EXPECT_EQ(recorder_.events[2].info.interface, "ppp7");
  }
}

TEST_F(NetworkManagerMonitorTest, ConnectionsUpBeforeWatchingAreReportedAtStart) {
  const auto [up, upDevice] = add({QStringLiteral("Office LAN"), QStringLiteral("--type"), QStringLiteral("802-3-ethernet"),
                                   QStringLiteral("--device"), QStringLiteral("eth9"), QStringLiteral("--interface"),
                                   QStringLiteral("eth9"), QStringLiteral("--state"), QStringLiteral("2"),
                                   QStringLiteral("--metered"), QStringLiteral("4")});
  const auto [dialling, dialDevice] = add({QStringLiteral("Mobile"), QStringLiteral("--type"), QStringLiteral("gsm")});
  auto monitor = startMonitor();
  // Told within start itself, before any event loop ran.
  EXPECT_EQ(statesOf(recorder_.events, up), std::vector<std::string>{"activated"});
  EXPECT_EQ(statesOf(recorder_.events, dialling), std::vector<std::string>{"activating"});
  for (const auto& e : recorder_.events) {
    if (e.info.id == up) {
      EXPECT_EQ(e.info.name, "Office LAN");
      EXPECT_EQ(e.info.interface, "eth9");
      EXPECT_EQ(e.info.metered, Metered::GuessNo);
    }
  }
  nm({QStringLiteral("remove"), q(up)});
  nm({QStringLiteral("remove"), q(dialling)});
  ASSERT_TRUE(waitForEvents(4));
  EXPECT_EQ(statesOf(recorder_.events, up), (std::vector<std::string>{"activated", "deactivated"}));
  EXPECT_EQ(statesOf(recorder_.events, dialling), (std::vector<std::string>{"activating", "deactivated"}));
}

// A connection whose object goes without a deactivated state ended all the same.
TEST_F(NetworkManagerMonitorTest, AConnectionRemovedWithoutAStateHasEnded) {
  auto monitor = startMonitor();
  const auto [path, device] = bringUp({QStringLiteral("ISP B"), QStringLiteral("--interface"), QStringLiteral("ppp8")});
  nm({QStringLiteral("remove"), q(path)});
  ASSERT_TRUE(waitForEvents(3));
  EXPECT_EQ(statesOf(recorder_.events, path), (std::vector<std::string>{"activating", "activated", "deactivated"}));
}

// The device's statistics, refreshed as the tracker asks; none read before
// NetworkManager refreshed them, as its values lag until then.
TEST_F(NetworkManagerMonitorTest, CountersComeFromTheDevicesStatistics) {
  auto monitor = startMonitor();
  const auto [path, device] = bringUp({QStringLiteral("ISP C"), QStringLiteral("--interface"), QStringLiteral("ppp9")});

  EXPECT_FALSE(monitor->counters("ppp9").valid);
  const auto rate = buses_->run({QStringLiteral("nm"), QStringLiteral("refresh-rate"), q(device)});
  EXPECT_EQ(rate.output, QStringLiteral("1000"));

  nm({QStringLiteral("bytes"), q(device), QStringLiteral("1500"), QStringLiteral("700")});
  QTest::qWait(200);  // the PropertiesChanged that says they are fresh
  auto c = monitor->counters("ppp9");
  EXPECT_TRUE(c.valid);
  EXPECT_EQ(c.received, 1500u);
  EXPECT_EQ(c.sent, 700u);
  EXPECT_EQ(c.ifindex, 0) << "no such interface in this sysfs: its number is unknown";

  nm({QStringLiteral("bytes"), q(device), QStringLiteral("6000000000"), QStringLiteral("9000")});
  c = monitor->counters("ppp9");
  EXPECT_TRUE(c.valid);
  EXPECT_EQ(c.received, 6000000000u);
  EXPECT_EQ(c.sent, 9000u);
  nm({QStringLiteral("remove"), q(path)});
}

// A device without statistics, and an interface NetworkManager does not know: sysfs.
TEST_F(NetworkManagerMonitorTest, CountersFallBackToSysfs) {
  for (const char* iface : {"ppp5", "lo9"}) {
    const std::string dir = sysfs_.file(iface);
    std::filesystem::create_directories(dir + "/statistics");
    test::writeFileText(dir + "/ifindex", "17\n");
    test::writeFileText(dir + "/statistics/rx_bytes", "4242\n");
    test::writeFileText(dir + "/statistics/tx_bytes", "99\n");
  }
  auto monitor = startMonitor();
  const auto [path, device] =
      bringUp({QStringLiteral("ISP D"), QStringLiteral("--interface"), QStringLiteral("ppp5"), QStringLiteral("--no-statistics")});
  for (const char* iface : {"ppp5", "lo9"}) {
    const auto c = monitor->counters(iface);
    EXPECT_TRUE(c.valid) << iface;
    EXPECT_EQ(c.ifindex, 17);
    EXPECT_EQ(c.received, 4242u);
    EXPECT_EQ(c.sent, 99u);
  }
  EXPECT_FALSE(monitor->counters("ppp6").valid);
  EXPECT_FALSE(monitor->counters("").valid);
  EXPECT_FALSE(monitor->counters("../ppp5").valid);
  nm({QStringLiteral("remove"), q(path)});
}

TEST_F(NetworkManagerMonitorTest, DisconnectAsksNetworkManagerToDeactivate) {
  auto monitor = startMonitor();
  const auto [path, device] = bringUp({QStringLiteral("ISP E")});
  EXPECT_TRUE(monitor->disconnect(path));
  ASSERT_TRUE(waitForEvents(3));
  EXPECT_EQ(statesOf(recorder_.events, path).back(), "deactivated");
  const auto calls = buses_->run({QStringLiteral("nm"), QStringLiteral("deactivate-calls")});
  EXPECT_TRUE(calls.output.split(QLatin1Char('\n')).contains(q(path))) << calls.output.toStdString();

  for (const char* bad : {"", "pppd:ppp0", "/org//x", "/org/x/", "/org/x y"}) EXPECT_FALSE(monitor->disconnect(bad)) << bad;
}

TEST(NetworkManagerMonitorStart, FailsWithAReasonWithoutNetworkManagerOrBus) {
  MockBuses buses({false, false});
  if (!buses.ready()) GTEST_SKIP() << "no private D-Bus with dbusmock here: " << buses.whyNot();
  NetworkManagerMonitor::Options o;
  o.busAddress = buses.systemAddress();
  NetworkManagerMonitor monitor(o);
  std::string error;
  EXPECT_FALSE(monitor.start(error));
  EXPECT_NE(error.find("NetworkManager is not running"), std::string::npos) << error;

  TempDir dir;
  o.busAddress = "unix:path=" + dir.file("no-bus-here");
  NetworkManagerMonitor nowhere(o);
  error.clear();
  EXPECT_FALSE(nowhere.start(error));
  EXPECT_EQ(error.rfind("no system bus", 0), 0u) << error;
}

}  // namespace
}  // namespace prandel::platform
