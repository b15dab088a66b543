// SPDX-License-Identifier: GPL-3.0-or-later
// Where the records go when prandel and zktrack are installed: never beside the
// programs, but where the user's or the system's config names, else in the user's
// own data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "core/AppPath.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace prandel {
namespace {

namespace fs = std::filesystem;

// Sets or unsets environment variables for one test and puts them back afterwards.
class EnvGuard {
 public:
  void set(const char* name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
  }
  ~EnvGuard() {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(UserDataFolder, FollowsXdgDataHomeElseTheHomeFolder) {
  struct Case {
    std::optional<std::string> xdg, home;
    std::string want;
  };
  const Case cases[] = {
      {"/srv/data", "/home/ann", "/srv/data/zelkora"},
      {"relative/data", "/home/ann", "/home/ann/.local/share/zelkora"},  // not absolute: ignored
      {"", "/home/ann/", "/home/ann/.local/share/zelkora"},
      {std::nullopt, "/home/ann", "/home/ann/.local/share/zelkora"},
  };
  EnvGuard env;
  for (const Case& c : cases) {
    env.set("XDG_DATA_HOME", c.xdg);
    env.set("HOME", c.home);
    EXPECT_EQ(userDataFolder(), c.want) << c.xdg.value_or("(unset)") << " " << c.home.value_or("(unset)");
  }
}

// Runs SetAppPath as a user who cannot write the program folder (root can write
// anywhere, so a root test process drops to nobody in a child).
class InstalledProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::create_directory(program);
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    fs::create_directory(xdg);
    fs::permissions(xdg, fs::perms::all);
  }

  // 0 when SetAppPath gives want as the user, kChildSkipped when no such user can be had.
  int dataFolderIs(const std::string& want, const std::optional<std::string>& xdgHome,
                   const std::optional<std::string>& home, bool programWritable = false) {
    return test::runInChild([&] {
      if (!test::becomeOrdinaryUser()) return test::kChildSkipped;
      if ((::access(program.c_str(), W_OK) == 0) != programWritable) return test::kChildSkipped;
      if (xdgHome) ::setenv("XDG_DATA_HOME", xdgHome->c_str(), 1);
      else ::unsetenv("XDG_DATA_HOME");
      if (home) ::setenv("HOME", home->c_str(), 1);
      else ::unsetenv("HOME");
      const std::string got = SetAppPath(program);
      if (got != want) return 10;
      return 0;
    });
  }

  test::TempDir dir;
  std::string program = dir.path() + "/bin";
  std::string xdg = dir.path() + "/xdg";
};

TEST_F(InstalledProgram, NoIniAndNoRecordsGivesTheUsersOwnFolder) {
  const int rc = dataFolderIs(xdg + "/zelkora", xdg, dir.path());
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no user who cannot write the program folder";
  EXPECT_EQ(rc, 0);
  // Without XDG_DATA_HOME: under the home folder, and nothing is created.
  fs::create_directory(dir.path() + "/home");
  fs::permissions(dir.path() + "/home", fs::perms::all);
  EXPECT_EQ(dataFolderIs(dir.path() + "/home/.local/share/zelkora", std::nullopt, dir.path() + "/home"), 0);
  EXPECT_FALSE(fs::exists(dir.path() + "/home/.local"));
}

TEST_F(InstalledProgram, TheOldRulesStillHold) {
  // Records already beside the program: they are used where they are (read-only).
  test::writeFileBytes(program + "/mlif.zkt", std::vector<std::uint8_t>(100, 1));
  int rc = dataFolderIs(program, xdg, dir.path());
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no user who cannot write the program folder";
  EXPECT_EQ(rc, 0) << "records beside the program";
  fs::remove(program + "/mlif.zkt");

  // A Zelkora.ini names the folder, as always.
  fs::create_directory(dir.path() + "/named");
  test::writeFileText(program + "/Zelkora.ini", "DataDir=" + dir.path() + "/named\r\n");
  EXPECT_EQ(dataFolderIs(dir.path() + "/named", xdg, dir.path()), 0) << "named by the ini";
  test::writeFileText(program + "/Zelkora.ini", "");
  EXPECT_EQ(dataFolderIs(program, xdg, dir.path()), 0) << "an empty ini";
  fs::remove(program + "/Zelkora.ini");

  // A program folder the user may write to is the data folder.
  fs::permissions(program, fs::perms::all);
  EXPECT_EQ(dataFolderIs(program, xdg, dir.path(), true), 0) << "writable program folder";
  EXPECT_FALSE(fs::exists(xdg + "/zelkora"));
}

TEST(InstalledLocation, SystemFoldersAndInstallPrefixes) {
  test::TempDir dir;
  fs::create_directories(dir.file("prefix/bin"));
  fs::create_directories(dir.file("prefix/share/doc/prandel"));
  fs::create_directories(dir.file("portable"));
  const std::pair<std::string, bool> cases[] = {
      {"/usr/bin", true},
      {"/usr/local/bin", true},
      {"/opt/zelkora/bin", true},
      {"/usr/bin/", true},
      {"/usrx/bin", false},
      {dir.file("prefix/bin"), true},  // cmake --install --prefix, or an unpacked package
      {dir.file("portable"), false},   // a copy in a folder of its own
  };
  for (const auto& [folder, installed] : cases) EXPECT_EQ(isInstalledLocation(folder), installed) << folder;
}

// An installed copy in a prefix of its own (bin beside share/doc/prandel), with the
// XDG folders of the test.
class InstalledCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    // Readable for the ordinary user of the unreadable-config case.
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(program);
    fs::create_directories(dir.file("prefix/share/doc/prandel"));
    fs::create_directories(configHome + "/zelkora");
    fs::create_directories(sysA + "/zelkora");
    fs::create_directories(sysB + "/zelkora");
    env.set("XDG_CONFIG_HOME", configHome);
    env.set("XDG_CONFIG_DIRS", sysA + ":relative/ignored:" + sysB);
    env.set("XDG_DATA_HOME", dir.file("data"));
    env.set("HOME", dir.file("home"));
  }
  void ini(const std::string& folder, const std::string& text) { test::writeFileText(folder + "/zelkora/Zelkora.ini", text); }

  test::TempDir dir;
  EnvGuard env;
  std::string program = dir.file("prefix/bin");
  std::string configHome = dir.file("config");
  std::string sysA = dir.file("etc-a");
  std::string sysB = dir.file("etc-b");
};

TEST_F(InstalledCopy, WithoutConfigTheUsersDataFolderAndNeverItsOwn) {
  test::writeFileText(program + "/Zelkora.ini", "DataDir=" + dir.file("beside") + "\r\n");  // not read
  test::writeFileBytes(program + "/mlif.zkt", std::vector<std::uint8_t>(600, 1));           // nor used
  const DataFolder found = locateDataFolder(program);
  EXPECT_EQ(found.path, dir.file("data/zelkora"));
  EXPECT_EQ(found.origin, DataFolderOrigin::UserData);
  EXPECT_FALSE(fs::exists(dir.file("data")));  // found, not created

  env.set("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(SetAppPath(program), dir.file("home/.local/share/zelkora"));
}

TEST_F(InstalledCopy, FirstConfigThatNamesAFolderWins) {
  ini(sysB, "DataDir=/srv/zelkora\n");
  EXPECT_EQ(locateDataFolder(program).origin, DataFolderOrigin::SystemConfig);
  EXPECT_EQ(SetAppPath(program), "/srv/zelkora");

  ini(sysA, "DataDir=/srv/first\n");
  EXPECT_EQ(SetAppPath(program), "/srv/first");

  ini(configHome, "DataDir=/home/ann/zk/\r\n");
  const DataFolder found = locateDataFolder(program);
  EXPECT_EQ(found.path, "/home/ann/zk");
  EXPECT_EQ(found.origin, DataFolderOrigin::UserConfig);
  EXPECT_EQ(found.iniPath, configHome + "/zelkora/Zelkora.ini");
  EXPECT_EQ(describeOrigin(found), "named by " + configHome + "/zelkora/Zelkora.ini");

  ini(configHome, "DataDir=records\n");  // relative to the ini's folder
  EXPECT_EQ(SetAppPath(program), configHome + "/zelkora/records");
  ini(configHome, "DataDir=~/zelkora-data\n");
  EXPECT_EQ(SetAppPath(program), dir.file("home/zelkora-data"));
}

// A config file that cannot name a folder is passed over like a missing one.
TEST_F(InstalledCopy, UnusableConfigIsSkipped) {
  ini(sysA, "DataDir=/srv/system\n");
  const std::string userIni = configHome + "/zelkora/Zelkora.ini";
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"empty", [&] { test::writeFileText(userIni, ""); }},
      {"no value", [&] { test::writeFileText(userIni, "DataDir=\n"); }},
      {"the root", [&] { test::writeFileText(userIni, "DataDir=/\n"); }},
      {"garbage", [&] { test::writeFileBytes(userIni, {0x01, 0xFF, '=', 0x02, 0x1B, '[', 'x', 0x07, '\n'}); }},
      {"a folder", [&] { fs::create_directory(userIni); }},
      {"a pipe", [&] { ASSERT_EQ(::mkfifo(userIni.c_str(), 0600), 0); }},
      {"unreadable", [&] {
         test::writeFileText(userIni, "DataDir=/srv/user\n");
         fs::permissions(userIni, fs::perms::none);
       }},
  };
  for (const auto& [what, make] : cases) {
    fs::remove_all(userIni);
    make();
    if (std::string(what) == "unreadable" && ::geteuid() == 0) {
      // root reads it all the same; the child below reads as an ordinary user.
      const int rc = test::runInChild([&] {
        if (!test::becomeOrdinaryUser()) return test::kChildSkipped;
        return SetAppPath(program) == "/srv/system" ? 0 : 10;
      });
      if (rc != test::kChildSkipped) {
        EXPECT_EQ(rc, 0) << what;
      }
      continue;
    }
    EXPECT_EQ(SetAppPath(program), "/srv/system") << what;
  }
}

}  // namespace
}  // namespace prandel
