// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop's notifications: org.freedesktop.Notifications.Notify on the session
// bus, as the suite's tracker ("Zelkora") with the menu entry's icon.
#include <memory>
#include <string>

#include "platform/Connections.h"

namespace prandel::platform {

class DesktopNotifier final : public Notifier {
 public:
  struct Options {
    // The D-Bus address of the session bus; empty: $DBUS_SESSION_BUS_ADDRESS.
    std::string busAddress;
    // How long a notice stays up: an ordinary one 10 s; an urgent one until the
    // user closes it, as freedesktop.org's notification protocol has urgent ones.
    int timeoutMs = 10000;
    int callTimeoutMs = 5000;
  };

  DesktopNotifier();
  explicit DesktopNotifier(Options options);
  ~DesktopNotifier() override;
  DesktopNotifier(const DesktopNotifier&) = delete;
  DesktopNotifier& operator=(const DesktopNotifier&) = delete;

  // False when there is no session bus or no daemon answered. Texts are UTF-8; the
  // body is sent as plain text (markup characters escaped).
  bool notify(const std::string& summary, const std::string& body, bool urgent) override;

 private:
  Options options_;
  std::string privateName_;
};

}  // namespace prandel::platform
