// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
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
  auto a = reg.claim("Holidays");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(reg.claim("Holidays"), nullptr);
  EXPECT_NE(reg.claim("Holidays "), nullptr);  // titles match exactly
  EXPECT_NE(reg.claim("Countdown"), nullptr);
  a.reset();
  EXPECT_NE(reg.claim("Holidays"), nullptr);
}

TEST(LockFileRegistry, AKilledHolderLeavesNothingStale) {
  TempDir dir;
  LockFileRegistry reg(dir.path());
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto claim = reg.claim("Zelkora Expense");
    const char c = claim ? 'y' : 'n';
    [[maybe_unused]] auto n = ::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  EXPECT_EQ(reg.claim("Zelkora Expense"), nullptr);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_NE(reg.claim("Zelkora Expense"), nullptr);
  ::close(ready[0]);
  ::close(ready[1]);
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
