// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace prandel {
namespace {

struct Answer {
  std::optional<int> rc;
  std::string out;
  std::string err;
};

Answer answer(std::vector<std::string> args) {
  args.insert(args.begin(), "prandel");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  const auto rc = answerCommandLine(static_cast<int>(args.size()), argv.data(), out, err);
  return {rc, out.str(), err.str()};
}

// A person who asks is answered; the tracker's start, without arguments, goes on.
TEST(CommandLine, HelpAndVersionAreAnsweredNoArgumentsGoesOn) {
  struct Case {
    std::vector<std::string> args;
    std::optional<int> rc;
    const char* says;
  };
  const Case cases[] = {
      {{"--help"}, 0, "zktrack open expense|countdown|call|holidays|bookmarks|import"},
      {{"-h"}, 0, "Usage: prandel"},
      {{"-?"}, 0, "Usage: prandel"},
      {{"--version"}, 0, "prandel " PRANDEL_VERSION "\n"},
      {{}, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    const Answer a = answer(c.args);
    EXPECT_EQ(a.rc, c.rc) << c.says;
    EXPECT_NE(a.out.find(c.says), std::string::npos) << a.out;
    EXPECT_EQ(a.err, "");
  }
}

// Anything else is named, with where the help is, and ends the run before it starts:
// answerCommandLine runs before any file is opened.
TEST(CommandLine, AnyOtherArgumentIsRefused) {
  const std::string help = "prandel: run 'prandel --help' for more information\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--bogus"}, "prandel: unknown option --bogus\n"},
      {{"-x"}, "prandel: unknown option -x\n"},
      {{"--data=/tmp"}, "prandel: unknown option --data\n"},
      {{"-platform", "offscreen"}, "prandel: unknown option -platform\n"},
      {{"502"}, "prandel: unexpected argument 502\n"},
      {{"--version", "extra"}, "prandel: --version takes nothing after it, not extra\n"},
      {{"--help", "--version"}, "prandel: --help takes nothing after it, not --version\n"},
      {{"-platform", "offscreen", "--help"}, "prandel: unknown option -platform\n"},
      {{""}, "prandel: unexpected argument \n"},
  };
  for (const auto& [args, line] : cases) {
    const Answer a = answer(args);
    EXPECT_EQ(a.rc, 2) << line;
    EXPECT_EQ(a.err, line + help);
    EXPECT_EQ(a.out, "") << line;
  }
}

}  // namespace
}  // namespace prandel
