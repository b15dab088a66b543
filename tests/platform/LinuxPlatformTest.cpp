// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/linux/LinuxPlatform.h"
#include "support/TempDir.h"

namespace prandel::platform {
namespace {

using test::TempDir;
using test::writeFileText;

TEST(LockFileRegistry, OneHolderPerTitleUntilReleased) {
  TempDir dir;
  LockFileRegistry reg(dir.path());
  auto a = reg.claim("Holidays").claim;
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(reg.claim("Holidays").claim, nullptr);
  EXPECT_NE(reg.claim("Holidays ").claim, nullptr);  // titles match exactly
  EXPECT_NE(reg.claim("Countdown").claim, nullptr);
  a.reset();
  EXPECT_NE(reg.claim("Holidays").claim, nullptr);
}

TEST(LockFileRegistry, AKilledHolderLeavesNothingStale) {
  TempDir dir;
  LockFileRegistry reg(dir.path());
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto claim = reg.claim("Zelkora Expense").claim;
    const char c = claim ? 'y' : 'n';
    [[maybe_unused]] auto n = ::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  EXPECT_EQ(reg.claim("Zelkora Expense").claim, nullptr);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_NE(reg.claim("Zelkora Expense").claim, nullptr);
  ::close(ready[0]);
  ::close(ready[1]);
}

// Without $XDG_RUNTIME_DIR the locks lie in a folder of a place anyone can write
// (/tmp; here a base folder of the test's). Only a real folder of the user's own that
// no one else can enter is used; anything else refuses every claim with a reason that
// names the folder, and is left exactly as it was.
TEST(LockFileRegistry, OnlyAFolderOfTheUsersOwnIsUsed) {
  const uid_t me = ::geteuid();
  const uid_t nobody = 65534;
  ASSERT_EQ(me, 0u) << "making folders of another owner needs root";
  TempDir base;
  const std::string folder = lockFolderFor(nullptr, base.path(), me);
  ASSERT_EQ(folder, base.file("prandel-" + std::to_string(me)));

  const auto modeOf = [](const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
  };
  const auto ownerOf = [](const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_uid;
  };
  const std::string target = base.file("target");
  ::mkdir(target.c_str(), 0755);

  const struct {
    const char* what;
    std::function<void()> make;
    std::string refused;  // after "the lock folder FOLDER "
  } cases[] = {
      {"a symbolic link to a folder", [&] { ::symlink(target.c_str(), folder.c_str()); },
       "is a symbolic link, not a folder of its own"},
      {"a dangling symbolic link", [&] { ::symlink(base.file("nowhere").c_str(), folder.c_str()); },
       "is a symbolic link, not a folder of its own"},
      {"a folder of nobody's",
       [&] {
         ::mkdir(folder.c_str(), 0700);
         ::chown(folder.c_str(), nobody, nobody);
       },
       "belongs to nobody (uid 65534), not to you"},
      {"a folder of nobody's with a lock held in it",
       [&] {
         ::mkdir(folder.c_str(), 0700);
         writeFileText(folder + "/Call%20Settings.lock", "");
         ::chown((folder + "/Call%20Settings.lock").c_str(), nobody, nobody);
         ::chown(folder.c_str(), nobody, nobody);
       },
       "belongs to nobody (uid 65534), not to you"},
      {"a folder of one's own that others can enter", [&] { ::mkdir(folder.c_str(), 0755); },
       "has the mode 0755, where it must be 0700 (yours alone)"},
      {"a folder of one's own that others can write",
       [&] {
         ::mkdir(folder.c_str(), 0700);
         ::chmod(folder.c_str(), 01777);
       },
       "has the mode 1777, where it must be 0700 (yours alone)"},
      {"a file", [&] { writeFileText(folder, "x"); }, "is not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder);
    c.make();
    const auto mode = modeOf(folder);
    const auto owner = ownerOf(folder);
    // A lock of the audit's kind: held on the title by whoever made the folder.
    int held = -1;
    if (std::filesystem::exists(folder + "/Call%20Settings.lock")) {
      held = ::open((folder + "/Call%20Settings.lock").c_str(), O_RDWR);
      ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    }
    LockFileRegistry reg(folder);
    const ClaimResult r = reg.claim("Call Settings");
    EXPECT_EQ(r.claim, nullptr);
    EXPECT_EQ(r.refused, "the lock folder " + folder + " " + c.refused);
    EXPECT_EQ(modeOf(folder), mode);
    EXPECT_EQ(ownerOf(folder), owner);
    EXPECT_EQ(modeOf(target), 0755u) << "the link's target was changed";
    EXPECT_FALSE(std::filesystem::exists(target + "/Call%20Settings.lock"));
    if (held >= 0) ::close(held);
  }

  // Missing: made for the user alone, whatever the umask, and used.
  std::filesystem::remove_all(folder);
  const mode_t umask = ::umask(0777);
  {
    LockFileRegistry reg(folder);
    const ClaimResult r = reg.claim("Call Settings");
    ::umask(umask);
    EXPECT_NE(r.claim, nullptr);
    EXPECT_EQ(r.refused, "");
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(ownerOf(folder), me);
    // A second copy finds the title held, which is no fault of the folder.
    const ClaimResult again = reg.claim("Call Settings");
    EXPECT_EQ(again.claim, nullptr);
    EXPECT_EQ(again.refused, "");
  }
  ::umask(umask);
  // A folder that cannot be made is named with the reason.
  LockFileRegistry nowhere(base.file("missing/prandel-0"));
  EXPECT_EQ(nowhere.claim("Holidays").refused,
            "the lock folder " + base.file("missing/prandel-0") + " cannot be made: No such file or directory");
}

TEST(LockFileRegistry, TheRuntimeFolderOnlyWhenItIsTheUsers) {
  TempDir base;
  const uid_t me = ::geteuid();
  const std::string shared = base.file("prandel-" + std::to_string(me));
  const std::string own = base.file("run-own");
  const std::string others = base.file("run-others");
  ::mkdir(own.c_str(), 0700);
  ::mkdir(others.c_str(), 0700);
  ASSERT_EQ(::chown(others.c_str(), 65534, 65534), 0);
  const std::string missing = base.file("missing");
  const std::pair<const char*, std::string> cases[] = {
      {own.c_str(), own + "/prandel"},
      {nullptr, shared},
      {"", shared},
      {"run-own", shared},       // not absolute
      {others.c_str(), shared},  // su without a login keeps the other user's
      {missing.c_str(), shared},
  };
  for (const auto& [runtime, want] : cases)
    EXPECT_EQ(lockFolderFor(runtime, base.path(), me), want) << (runtime ? runtime : "(unset)");
}

TEST(PeersDirectory, RegularFilesSortedAndMissingFolderEmpty) {
  TempDir dir;
  writeFileText(dir.file("provider-b"), "");
  writeFileText(dir.file("Provider-A"), "");
  writeFileText(dir.file(".hidden"), "");
  std::filesystem::create_directory(dir.file("chatscripts"));
  EXPECT_EQ(PeersDirectory(dir.path()).entryNames(), (std::vector<std::string>{"Provider-A", "provider-b"}));
  EXPECT_TRUE(PeersDirectory(dir.file("nope")).entryNames().empty());
}

TEST(SpawnLauncher, StartsDetachedAndLeavesNoZombie) {
  TempDir dir;
  const std::string script = dir.file("zkapp1");
  writeFileText(script, "#!/bin/sh\necho started > \"$(dirname \"$0\")/out\"\n");
  ::chmod(script.c_str(), 0755);
  SpawnLauncher launcher;
  EXPECT_FALSE(launcher.startDetached(dir.file("missing")));
  writeFileText(dir.file("notexec"), "#!/bin/sh\n");
  EXPECT_FALSE(launcher.startDetached(dir.file("notexec")));
  ASSERT_TRUE(launcher.startDetached(script));
  for (int i = 0; i < 200 && !std::filesystem::exists(dir.file("out")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(std::filesystem::exists(dir.file("out")));
  // The intermediate child is reaped and the program is not our child.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST(FileIniReader, ShortcutValues) {
  TempDir dir;
  FileIniReader ini;
  struct Case {
    const char* what;
    std::string text;
    std::string want;
  } cases[] = {
      {"plain", "[InternetShortcut]\r\nURL=http://a.example/\r\n", "http://a.example/"},
      {"case of section and key", "[internetshortcut]\nurl = http://b.example/ \n", "http://b.example/"},
      {"other section first", "[DEFAULT]\nURL=http://wrong/\n[InternetShortcut]\nURL=http://right/\n", "http://right/"},
      {"no key", "[InternetShortcut]\nIconIndex=1\n", ""},
      {"no section", "URL=http://x/\n", ""},
      {"binary", std::string("\0\1\2[Internet\0Shortcut]\xff\xfe", 20), ""},
      {"cut", "[InternetShortcut]\nURL=" + std::string(400, 'u') + "\n", std::string(249, 'u')},
  };
  for (const auto& c : cases) {
    writeFileText(dir.file("f.url"), c.text);
    EXPECT_EQ(ini.value(dir.file("f.url"), "InternetShortcut", "URL", 249), c.want) << c.what;
  }
  EXPECT_EQ(ini.value(dir.file("missing.url"), "InternetShortcut", "URL", 249), "");
  // A pipe named like a shortcut is not read (reading it would block).
  ASSERT_EQ(::mkfifo(dir.file("pipe.url").c_str(), 0600), 0);
  EXPECT_EQ(ini.value(dir.file("pipe.url"), "InternetShortcut", "URL", 249), "");
}

}  // namespace
}  // namespace prandel::platform
