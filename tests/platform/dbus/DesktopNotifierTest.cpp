// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop notifier against a mocked notification daemon on a private session bus.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "MockBuses.h"
#include "platform/linux/DesktopNotifier.h"
#include "support/TempDir.h"

namespace prandel::platform {
namespace {

using test::MockBuses;

QJsonArray notifyCalls(const MockBuses& buses) {
  const auto r = buses.run({QStringLiteral("notify"), QStringLiteral("calls")});
  EXPECT_TRUE(r.ok) << r.output.toStdString();
  return QJsonDocument::fromJson(r.output.toUtf8()).array();
}

TEST(DesktopNotifier, TellsTheDaemonAsZelkora) {
  MockBuses buses({false, true});
  if (!buses.ready()) GTEST_SKIP() << "no private D-Bus with dbusmock here: " << buses.whyNot();
  DesktopNotifier::Options o;
  o.busAddress = buses.sessionAddress();
  DesktopNotifier notifier(o);
  EXPECT_TRUE(notifier.notify("Countdown", "5 minutes left", false));
  EXPECT_TRUE(notifier.notify("Countdown ended", "No time left <b>& more</b>", true));

  const auto calls = notifyCalls(buses);
  ASSERT_EQ(calls.size(), 2);
  const auto plain = calls[0].toObject();
  EXPECT_EQ(plain[QStringLiteral("app_name")].toString(), QStringLiteral("Zelkora"));
  EXPECT_EQ(plain[QStringLiteral("app_icon")].toString(), QStringLiteral("org.zelkora.Prandel"));
  EXPECT_EQ(plain[QStringLiteral("summary")].toString(), QStringLiteral("Countdown"));
  EXPECT_EQ(plain[QStringLiteral("body")].toString(), QStringLiteral("5 minutes left"));
  EXPECT_EQ(plain[QStringLiteral("replaces_id")].toInt(), 0);
  EXPECT_EQ(plain[QStringLiteral("hints")].toObject()[QStringLiteral("urgency")].toInt(), 1);
  EXPECT_GT(plain[QStringLiteral("expire_timeout")].toInt(), 0);

  const auto urgent = calls[1].toObject();
  EXPECT_EQ(urgent[QStringLiteral("hints")].toObject()[QStringLiteral("urgency")].toInt(), 2);
  EXPECT_EQ(urgent[QStringLiteral("expire_timeout")].toInt(), 0) << "an urgent notice stays until closed";
  EXPECT_EQ(urgent[QStringLiteral("body")].toString(), QStringLiteral("No time left &lt;b&gt;&amp; more&lt;/b&gt;"));
}

TEST(DesktopNotifier, FalseWhenNoDaemonAnswers) {
  MockBuses buses({false, false});
  if (!buses.ready()) GTEST_SKIP() << "no private D-Bus with dbusmock here: " << buses.whyNot();
  DesktopNotifier::Options o;
  o.busAddress = buses.sessionAddress();
  EXPECT_FALSE(DesktopNotifier(o).notify("Countdown", "5 minutes left", false));

  test::TempDir dir;
  o.busAddress = "unix:path=" + dir.file("no-bus-here");
  EXPECT_FALSE(DesktopNotifier(o).notify("Countdown", "5 minutes left", true));
}

}  // namespace
}  // namespace prandel::platform
