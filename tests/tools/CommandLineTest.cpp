// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack's command line as a person meets it: every fault named in zktrack's words
// with where the help is, and output that did not get out is no success.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZktrackKit.h"

namespace prandel::test {
namespace {

std::string label(const std::vector<std::string>& args) {
  std::string out = "zktrack";
  for (const auto& a : args) out += " " + a;
  return out;
}

TEST(CommandLine, EveryFaultIsNamedWithWhereTheHelpIs) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  const std::string top = "zktrack: run 'zktrack --help' for more information\n";
  const auto of = [](const std::string& command) {
    return "zktrack: run 'zktrack " + command + " --help' for more information\n";
  };
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "zktrack: a command is required: open, show, seed, export, import, which, check, holidays, price, log, report, run, status\n" + top},
      {{"-x"}, "zktrack: unknown option -x\n" + top},
      {{"--bogus", "show"}, "zktrack: unknown option --bogus\n" + top},
      {{"--data"},
       "zktrack: unknown option --data; it goes after a command that takes it, as in 'zktrack show --data ...'\n" + top},
      {{"--data=" + data.path(), "show"},
       "zktrack: unknown option --data; it goes after a command that takes it, as in 'zktrack show --data ...'\n" + top},
      {{"--version", "extra"}, "zktrack: --version takes nothing after it, not extra\n" + top},
      {{"bogus"}, "zktrack: unknown command bogus\n" + top},
      {{"show", "--data"}, "zktrack: --data needs a value (DIR)\n" + of("show")},
      {{"show", "--bogus", "--data", data.path()}, "zktrack: unknown option --bogus\n" + of("show")},
      {{"show", "-x"}, "zktrack: unknown option -x\n" + of("show")},
      {{"show", "--version"}, "zktrack: unknown option --version\n" + of("show")},
      {{"show", "extra", "--data", data.path()}, "zktrack: unexpected argument extra\n" + of("show")},
      {{"export", "-o"}, "zktrack: --output needs a value (FILE)\n" + of("export")},
      {{"check", "--days"}, "zktrack: --days needs a value (N)\n" + of("check")},
      {{"holidays"}, "zktrack: holidays needs a command: import-ics\n" + of("holidays")},
      {{"holidays", "--bogus"}, "zktrack: unknown option --bogus\n" + of("holidays")},
      {{"holidays", "import-ics", "x.ics", "--year"},
       "zktrack: --year needs a value (YYYY:INT in [1900 - 2582])\n" + of("holidays import-ics")},
      {{"open", "bogus"}, "zktrack: EDITOR: bogus not in {expense,countdown,call,holidays,bookmarks,import}\n" + of("open")},
  };
  for (const auto& [args, err] : cases) {
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, 2) << label(args);
    EXPECT_EQ(r.err, err) << label(args);
    EXPECT_EQ(r.out, "") << label(args);
  }
}

// Output that cannot be written (a full disk, a closed output) fails every command
// alike, with the reason; a file of -o failed as it always did.
TEST(CommandLine, OutputThatDidNotGetOutIsAnError) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  const std::vector<std::string> commands[] = {
      {"export", "--data", data.path()},
      {"show", "--data", data.path()},
      {"show", "--json", "--data", data.path()},
      {"which", "2026-12-24 20:00", "--data", data.path()},
      {"--help"},
      {"--version"},
  };
  for (const auto& args : commands) {
    const RunResult full = runProgramWithOutput(ZKTRACK_PATH, args, "/dev/full");
    EXPECT_EQ(full.code, 1) << label(args);
    EXPECT_EQ(full.err, "zktrack: cannot write the output: No space left on device\n") << label(args);
    const RunResult closed = runProgramWithOutput(ZKTRACK_PATH, args, "");
    EXPECT_EQ(closed.code, 1) << label(args);
    EXPECT_EQ(closed.err, "zktrack: cannot write the output: Bad file descriptor\n") << label(args);
    // And written out, it is a success.
    const RunResult fine = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(fine.code, 0) << label(args) << fine.err;
    EXPECT_NE(fine.out, "") << label(args);
  }
  // A command that failed keeps its own exit code.
  const RunResult usage = runProgramWithOutput(ZKTRACK_PATH, {"show", "--bogus"}, "/dev/full");
  EXPECT_EQ(usage.code, 2);
  const RunResult toFile = runProgram(ZKTRACK_PATH, {"export", "-o", "/dev/full", "--data", data.path()});
  EXPECT_EQ(toFile.code, 1);
  EXPECT_EQ(toFile.err, "zktrack: cannot write /dev/full\n");
}

}  // namespace
}  // namespace prandel::test
