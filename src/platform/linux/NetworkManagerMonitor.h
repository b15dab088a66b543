// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The connections NetworkManager makes, watched over D-Bus on the system bus.
//
// Each active connection (org.freedesktop.NetworkManager.Connection.Active) is
// reported as it goes to activating (1: dialling began), activated (2: the link is
// up) and deactivated (4, or its object gone from the manager's ActiveConnections:
// the link is down). It learns of them from the manager's ActiveConnections and
// from each one's StateChanged signal, or the PropertiesChanged that older
// NetworkManagers send instead. Connections active when watching begins are
// reported at once, activated ones without an activating before; so is one first
// heard of when it is up already (its state is read when it appears).
//
// Counters come from the device's org.freedesktop.NetworkManager.Device.Statistics,
// whose refresh the monitor asks for (RefreshRateMs) when it is off or slower; until
// NetworkManager has refreshed them once, and where a device has no statistics, from
// sysfs (ROOT/IFACE/statistics). Runs on the thread of a Qt event loop.
#include <memory>
#include <string>

#include "platform/Connections.h"
#include "platform/linux/SysfsCounters.h"

namespace prandel::platform {

class NetworkManagerMonitor final : public ConnectionMonitor {
 public:
  struct Options {
    // The D-Bus address of the bus NetworkManager is on; empty: the system bus
    // ($DBUS_SYSTEM_BUS_ADDRESS, else the standard socket).
    std::string busAddress;
    std::string sysfsRoot = kSysfsNetRoot;
    // How often NetworkManager is asked to refresh a device's statistics.
    unsigned statisticsRefreshMs = 1000;
    // How long one D-Bus call may take before it counts as failed.
    int callTimeoutMs = 5000;
  };

  NetworkManagerMonitor();
  explicit NetworkManagerMonitor(Options options);
  ~NetworkManagerMonitor() override;
  NetworkManagerMonitor(const NetworkManagerMonitor&) = delete;
  NetworkManagerMonitor& operator=(const NetworkManagerMonitor&) = delete;

  void setListener(Listener* listener) override;
  bool start(std::string& error) override;
  InterfaceCounters counters(const std::string& interface) override;
  // DeactivateConnection on the manager, id being the active connection's path.
  bool disconnect(const std::string& id) override;

 private:
  class Watcher;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace prandel::platform
