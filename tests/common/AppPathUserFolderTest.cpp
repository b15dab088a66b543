// SPDX-License-Identifier: GPL-3.0-or-later
// Where the records go when prandel and zktrack are installed in a folder their user
// cannot write to and no Zelkora.ini names a data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/AppPath.h"
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
      if (!fs::is_directory(got)) return 11;
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
  // Without XDG_DATA_HOME: under the home folder, created on the way.
  fs::create_directory(dir.path() + "/home");
  fs::permissions(dir.path() + "/home", fs::perms::all);
  EXPECT_EQ(dataFolderIs(dir.path() + "/home/.local/share/zelkora", std::nullopt, dir.path() + "/home"), 0);
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

}  // namespace
}  // namespace prandel
