// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kernel's counters of a network interface as sysfs shows them:
// ROOT/IFACE/statistics/{rx,tx}_bytes and ROOT/IFACE/ifindex, ROOT being
// /sys/class/net (a test points it at a sysfs of its own network namespace, or at a
// folder of plain files).
#include <string>

#include "platform/Connections.h"

namespace prandel::platform {

inline constexpr const char* kSysfsNetRoot = "/sys/class/net";

// Invalid when the name is no interface name (empty, longer than 15 bytes, "." or
// "..", or with a "/" or a blank), when the interface is not there, or when a file
// holds no plain decimal number.
InterfaceCounters readSysfsCounters(const std::string& root, const std::string& interface);

}  // namespace prandel::platform
