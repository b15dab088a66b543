// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the live tracker learns of connections: which go up and down, their byte
// counters, and the desktop's notifications. Small interfaces, so that tests drive the
// tracker with their own; the Linux ones talk to NetworkManager and the notification
// daemon over D-Bus, and read the kernel's counters.
#include <cstdint>
#include <string>

namespace prandel::platform {

enum class Metered { Unknown, Yes, No, GuessYes, GuessNo };

// One connection as the system reports it.
struct ConnectionInfo {
  std::string id;         // stable while it is active (NetworkManager's object path, "pppd:ppp0")
  std::string name;       // what the user calls it: NetworkManager's Id, pppd's peer name
  std::string interface;  // its IP interface ("ppp0"); empty until known
  std::string type;       // NetworkManager's connection type: "ppp", "gsm", "cdma", "802-3-ethernet", ...
  Metered metered = Metered::Unknown;
};

enum class ConnectionState { Activating, Activated, Deactivated };

// The kernel's counters of an interface at one reading, as they stand (cumulative,
// possibly 32 bits wide, reset when the interface is made anew).
struct InterfaceCounters {
  bool valid = false;  // the interface was there and could be read
  int ifindex = 0;     // another number: the interface was made anew
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
};

class ConnectionMonitor {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    // Called on the thread that runs the monitor's event loop, in the order things
    // happened. A connection may skip Activating (one already up when watching began).
    virtual void connectionChanged(const ConnectionInfo& connection, ConnectionState state) = 0;
  };

  virtual ~ConnectionMonitor() = default;
  virtual void setListener(Listener* listener) = 0;
  // Starts watching and reports the connections that are active already. False, with
  // the reason, when the source cannot be reached (no system bus, no NetworkManager).
  virtual bool start(std::string& error) = 0;
  // The interface's counters now.
  virtual InterfaceCounters counters(const std::string& interface) = 0;
  // Ends a connection (the countdown's optional disconnect); false when it cannot.
  virtual bool disconnect(const std::string& id) = 0;
};

// The desktop's notifications.
class Notifier {
 public:
  virtual ~Notifier() = default;
  // False when no notification daemon took it.
  virtual bool notify(const std::string& summary, const std::string& body, bool urgent) = 0;
};

}  // namespace prandel::platform
