// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#include <atomic>

namespace prandel::platform {

namespace {

// The menu entry's name, which is also its icon's.
const QString kAppIcon = QStringLiteral("org.zelkora.Prandel");
const QString kAppName = QStringLiteral("Zelkora");

// Daemons that show markup take the body as markup; ours is plain text.
QString plainBody(const std::string& body) { return QString::fromStdString(body).toHtmlEscaped(); }

}  // namespace

DesktopNotifier::DesktopNotifier() : DesktopNotifier(Options{}) {}

DesktopNotifier::DesktopNotifier(Options options) : options_(std::move(options)) {}

DesktopNotifier::~DesktopNotifier() {
  if (!privateName_.empty()) QDBusConnection::disconnectFromBus(QString::fromStdString(privateName_));
}

bool DesktopNotifier::notify(const std::string& summary, const std::string& body, bool urgent) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!options_.busAddress.empty()) {
    if (privateName_.empty()) {
      static std::atomic<int> serial{0};
      privateName_ = "prandel-notify-" + std::to_string(++serial);
    }
    bus = QDBusConnection::connectToBus(QString::fromStdString(options_.busAddress), QString::fromStdString(privateName_));
  }
  if (!bus.isConnected()) return false;

  QDBusMessage msg =
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                                     QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  QVariantMap hints;
  // A byte, as freedesktop.org's notification protocol has it: 1 normal, 2 critical.
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(urgent ? 2 : 1)));
  hints.insert(QStringLiteral("desktop-entry"), kAppIcon);
  // An urgent notice (the countdown ran out) stays until the user closes it.
  const int timeout = urgent ? 0 : options_.timeoutMs;
  msg << kAppName << uint{0} << kAppIcon << QString::fromStdString(summary) << plainBody(body) << QStringList() << hints
      << timeout;
  const QDBusMessage reply = bus.call(msg, QDBus::Block, options_.callTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace prandel::platform
