// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel's interface counters read from sysfs: hostile names and files give an
// invalid reading, and a real veth pair in a private network namespace counts the
// bytes sent through it and gets a new ifindex when it is made anew.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/SysfsCounters.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace prandel::platform {
namespace {

using test::TempDir;
using test::writeFileText;

void makeInterface(const TempDir& root, const std::string& name, const std::string& ifindex, const std::string& rx,
                   const std::string& tx) {
  std::filesystem::create_directories(root.file(name + "/statistics"));
  writeFileText(root.file(name + "/ifindex"), ifindex);
  writeFileText(root.file(name + "/statistics/rx_bytes"), rx);
  writeFileText(root.file(name + "/statistics/tx_bytes"), tx);
}

TEST(SysfsCounters, ReadsPlainNumbersAndNothingElse) {
  TempDir root;
  makeInterface(root, "ppp0", "12\n", "18446744073709551615\n", "0\n");
  makeInterface(root, "wwan0", "3", "4294967296", "7");  // no newline
  const auto c = readSysfsCounters(root.path(), "ppp0");
  EXPECT_TRUE(c.valid);
  EXPECT_EQ(c.ifindex, 12);
  EXPECT_EQ(c.received, 18446744073709551615u);
  EXPECT_EQ(c.sent, 0u);
  EXPECT_TRUE(readSysfsCounters(root.path(), "wwan0").valid);

  struct Bad {
    const char* name;
    const char* ifindex;
    const char* rx;
  };
  const Bad files[] = {
      {"b1", "12\n", "18446744073709551616\n"},  // past 64 bits
      {"b2", "12\n", "-5\n"},
      {"b3", "12\n", " 5\n"},
      {"b4", "12\n", "5 bytes\n"},
      {"b5", "12\n", ""},
      {"b6", "12\n", "\n"},
      {"b7", "x\n", "5\n"},
      {"b8", "99999999999\n", "5\n"},  // no int
      {"b9", "12\n", "123456789012345678901234567890123456789\n"},
  };
  for (const auto& b : files) {
    makeInterface(root, b.name, b.ifindex, b.rx, "1\n");
    EXPECT_FALSE(readSysfsCounters(root.path(), b.name).valid) << b.name;
  }
  std::filesystem::create_directories(root.file("half/statistics"));
  writeFileText(root.file("half/ifindex"), "4\n");
  EXPECT_FALSE(readSysfsCounters(root.path(), "half").valid) << "no counter files";

  for (const char* name : {"", ".", "..", "../ppp0", "ppp0/", "a b", "sixteen-bytes-ab", "missing"})
    EXPECT_FALSE(readSysfsCounters(root.path(), name).valid) << '"' << name << '"';
  EXPECT_FALSE(readSysfsCounters(root.file("nowhere"), "ppp0").valid);
}

// In a child: a network and mount namespace of its own, so that the veth pair and
// the sysfs that shows it vanish with the child and the machine's network is never
// touched. Exit codes: 0 passed, 77 not allowed here, others the failing step.
int vethChild() {
  if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) return test::kChildSkipped;
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return test::kChildSkipped;
  if (std::system("command -v ip >/dev/null 2>&1") != 0) return test::kChildSkipped;
  char dir[] = "/tmp/zelkora-sysfs-XXXXXX";
  if (!::mkdtemp(dir)) return 10;
  const std::string root = std::string(dir) + "/class/net";
  const auto cleanUp = [&] {
    ::umount2(dir, MNT_DETACH);
    ::rmdir(dir);
  };
  if (::mount("sysfs", dir, "sysfs", 0, nullptr) != 0) {
    ::rmdir(dir);
    return test::kChildSkipped;
  }
  const auto step = [&](int code, bool ok) {
    if (!ok) cleanUp();
    return ok ? 0 : code;
  };
  const auto sh = [](const char* cmd) { return std::system(cmd) == 0; };

  if (int rc = step(11, sh("ip link add zkva type veth peer name zkvb && ip link set zkva up && ip link set zkvb up &&"
                           " ip addr add 10.91.0.1/24 dev zkva")))
    return rc;
  const auto before = readSysfsCounters(root, "zkva");
  const auto peerBefore = readSysfsCounters(root, "zkvb");
  if (int rc = step(12, before.valid && peerBefore.valid && before.ifindex == static_cast<int>(::if_nametoindex("zkva"))))
    return rc;

  // UDP to an address behind the veth, whose link address is given so that no ARP
  // is waited for: the datagrams leave zkva and arrive at zkvb.
  const std::string neigh = "ip neigh replace 10.91.0.2 lladdr \"$(cat " + root + "/zkvb/address)\" dev zkva nud permanent";
  if (int rc = step(13, sh(neigh.c_str()))) return rc;
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9);
  ::inet_pton(AF_INET, "10.91.0.2", &to.sin_addr);
  const std::vector<char> payload(1000, 'z');
  int sentOk = 0;
  for (int i = 0; i < 20; ++i)
    if (::sendto(s, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 1000) ++sentOk;
  ::close(s);
  ::usleep(200000);
  const auto after = readSysfsCounters(root, "zkva");
  const auto peerAfter = readSysfsCounters(root, "zkvb");
  if (int rc = step(14, sentOk == 20 && after.valid && peerAfter.valid)) return rc;
  // 20 datagrams of 1000 bytes and their headers.
  if (int rc = step(15, after.sent - before.sent >= 20000 && after.sent - before.sent < 40000)) return rc;
  if (int rc = step(16, peerAfter.received - peerBefore.received >= 20000)) return rc;
  if (int rc = step(17, after.ifindex == before.ifindex)) return rc;

  // Made anew: another ifindex, counters from zero; gone: invalid.
  if (int rc = step(18, sh("ip link del zkva && ip link add zkva type veth peer name zkvb"))) return rc;
  const auto anew = readSysfsCounters(root, "zkva");
  if (int rc = step(19, anew.valid && anew.ifindex != before.ifindex && anew.sent < 20000)) return rc;
  if (int rc = step(20, sh("ip link del zkva") && !readSysfsCounters(root, "zkva").valid)) return rc;
  cleanUp();
  return 0;
}

TEST(SysfsCounters, CountTheBytesThroughARealInterface) {
  const int rc = test::runInChild(vethChild);
  if (rc == test::kChildSkipped) GTEST_SKIP() << "network namespaces or mounts are not allowed here";
  EXPECT_EQ(rc, 0) << "the step that failed";
}

}  // namespace
}  // namespace prandel::platform
