// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "core/AppPath.h"
#include "support/TempDir.h"

namespace prandel {
namespace {

TEST(DataFolderFromIni, TakesTheValueAfterTheFirstEquals) {
  const std::pair<std::string, std::string> cases[] = {
      {"DataDir=/srv/zk\r\n", "/srv/zk"},
      {"DataDir=/srv/zk/\r\n", "/srv/zk"},        // trailing slash dropped
      {"DataDir=D:\\Zk\\\r\n", "D:\\Zk"},          // and a trailing backslash
      {"DataDir=/\n", "/"},                      // the root keeps its slash
      {"DataDir =  data  \nOther=x\n", "data"},  // blanks around removed
      {"[Paths]\nDir=E:\\Z\n", "Dir"},           // no "=" on the first line: the next key
      {"DataDir=\n", ""},
      {"DataDir=", ""},
      {"no equals at all", ""},
      {"", ""},
      {"a=b=c\n", "b"},
      {std::string("Dir=/x\0/y\n", 10), "/x"},   // a NUL ends the value
  };
  for (const auto& [ini, want] : cases) EXPECT_EQ(dataFolderFromIni(ini), want) << ini;
}

TEST(SetAppPath, FallsBackToTheProgramFolder) {
  test::TempDir dir;
  EXPECT_EQ(SetAppPath(dir.path()), dir.path());  // no ini
  test::writeFileText(dir.file("Zelkora.ini"), "");
  EXPECT_EQ(SetAppPath(dir.path()), dir.path());  // empty ini
  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=\r\n");
  EXPECT_EQ(SetAppPath(dir.path()), dir.path());  // empty value
  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=/\r\n");
  EXPECT_EQ(SetAppPath(dir.path()), dir.path());  // never the root folder
  std::string huge(1 << 20, 'x');
  test::writeFileText(dir.file("Zelkora.ini"), huge);
  EXPECT_EQ(SetAppPath(dir.path()), dir.path());  // one huge line without "="
}

// A pipe under the ini's name has no writer: a blocking read would never return and
// the program would never start.
TEST(SetAppPath, IniThatIsNoRegularFileIsNotRead) {
  test::TempDir dir;
  const std::string ini = dir.file("Zelkora.ini");
  ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
  auto result = std::async(std::launch::async, [&dir] { return SetAppPath(dir.path()); });
  if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "SetAppPath waits for a writer on a pipe";
    const int fd = ::open(ini.c_str(), O_WRONLY | O_NONBLOCK);  // its end of file lets the test end
    if (fd >= 0) ::close(fd);
  }
  EXPECT_EQ(result.get(), dir.path());

  std::filesystem::remove(ini);
  std::filesystem::create_directory(ini);
  EXPECT_EQ(SetAppPath(dir.path()), dir.path());
}

// Finding the folder creates nothing: a start with no request must leave no trace.
TEST(SetAppPath, NamedFolderIsNotCreatedAndRelativeOnesLieBesideTheProgram) {
  test::TempDir dir;
  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=" + dir.file("data/zk") + "/\r\n");
  EXPECT_EQ(SetAppPath(dir.path()), dir.file("data/zk"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("data")));

  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=rel\n");
  const DataFolder found = locateDataFolder(dir.path());
  EXPECT_EQ(found.path, dir.file("rel"));
  EXPECT_EQ(found.origin, DataFolderOrigin::IniBesideProgram);
  EXPECT_EQ(found.iniPath, dir.file("Zelkora.ini"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("rel")));
}

TEST(SetAppPath, FolderThatCannotBeCreatedIsStillNamed) {
  test::TempDir dir;
  test::writeFileText(dir.file("blocker"), "a file, not a folder");
  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=" + dir.file("blocker/sub") + "\n");
  EXPECT_EQ(SetAppPath(dir.path()), dir.file("blocker/sub"));
}

}  // namespace
}  // namespace prandel
