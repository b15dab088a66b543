// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace prandel {
namespace {

std::optional<int> answer(std::vector<std::string> args, std::string& out) {
  args.insert(args.begin(), "prandel");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream o;
  const auto rc = answerCommandLine(static_cast<int>(args.size()), argv.data(), o);
  out = o.str();
  return rc;
}

// A person who asks is answered; what the tracker and Qt pass goes on as before.
TEST(CommandLine, HelpAndVersionAreAnsweredTheRestGoesOn) {
  struct Case {
    std::vector<std::string> args;
    std::optional<int> rc;
    const char* says;
  };
  const Case cases[] = {
      {{"--help"}, 0, "zktrack open expense|countdown|call|holidays|bookmarks|import"},
      {{"-h"}, 0, "Usage: prandel"},
      {{"--version"}, 0, "prandel " PRANDEL_VERSION "\n"},
      {{"-platform", "offscreen", "--help"}, 0, "Usage: prandel"},
      {{}, std::nullopt, ""},
      {{"-platform", "offscreen"}, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(answer(c.args, out), c.rc) << c.says;
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace prandel
