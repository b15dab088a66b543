// SPDX-License-Identifier: GPL-3.0-or-later
// The idle tracker's yardstick: a bare QCoreApplication with QtDBus connected to the
// system and the session bus, doing nothing until SIGTERM or SIGINT.
#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

namespace {
int pipeFds[2] = {-1, -1};
void onSignal(int) {
  const char c = 0;
  [[maybe_unused]] const auto n = ::write(pipeFds[1], &c, 1);
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (::pipe(pipeFds) != 0) return 1;
  ::signal(SIGTERM, onSignal);
  ::signal(SIGINT, onSignal);
  QSocketNotifier quit(pipeFds[0], QSocketNotifier::Read);
  QObject::connect(&quit, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
  const bool system = QDBusConnection::systemBus().isConnected();
  const bool session = QDBusConnection::sessionBus().isConnected();
  if (!system || !session) {
    std::fprintf(stderr, "baseline_dbus_idle: no %s bus\n", system ? "session" : "system");
    return 1;
  }
  return app.exec();
}
