// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack: the tracker's stand-in on Linux. It asks prandel for an editor as the
// tracker does, and shows, seeds and checks the record files of a data folder.
#include <CLI/CLI.hpp>
#include <iostream>
#include <regex>
#include <string>
#include <vector>

#include "Zktrack.h"
#include "core/AppPath.h"
#include "core/StandardOutput.h"

namespace {

constexpr const char* kFooter =
    "Data folder: the one prandel uses. An installed zktrack reads the first line of\n"
    "$XDG_CONFIG_HOME/zelkora/Zelkora.ini, then /etc/xdg/zelkora/Zelkora.ini\n"
    "(DataDir=/path/to/data); without one it uses $XDG_DATA_HOME/zelkora\n"
    "(~/.local/share/zelkora). A copy in a folder of its own reads Zelkora.ini beside\n"
    "it, else keeps the records in its own folder. --data names another folder for the\n"
    "commands that take it; open always uses prandel's.\n"
    "\n"
    "Run 'zktrack COMMAND --help' for the options of a command.";

// A command line zktrack cannot follow: what is wrong, then where the help is (that of
// the command it was given to, when there is one). Every line names zktrack.
int usageError(const std::string& message, const std::string& command = {}) {
  std::cerr << "zktrack: " << message << "\n"
            << "zktrack: run 'zktrack " << (command.empty() ? "" : command + " ") << "--help' for more information\n";
  return 2;
}

std::string optionName(const std::string& arg) { return arg.substr(0, arg.find('=')); }

// A command that has the option, for a hint where it belongs.
std::string commandWith(const CLI::App& app, const std::string& option) {
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    for (const CLI::Option* o : sub->get_options())
      if (o->check_lname(option.substr(2)) || (option.size() == 2 && o->check_sname(option.substr(1))))
        return sub->get_name();
    if (const std::string deeper = commandWith(*sub, option); !deeper.empty()) return sub->get_name() + " " + deeper;
  }
  return {};
}

// An argument no command took: an option none of them has here, or a word too many.
int notTaken(const CLI::App& app, const std::string& arg, const std::string& command) {
  if (arg.size() < 2 || arg[0] != '-') return usageError("unexpected argument " + arg, command);
  const std::string name = optionName(arg);
  std::string message = "unknown option " + name;
  if (command.empty()) {
    if (const std::string owner = commandWith(app, name); !owner.empty())
      message += "; it goes after a command that takes it, as in 'zktrack " + owner + " " + name + " ...'";
  }
  return usageError(message, command);
}

// CLI11's messages in zktrack's words, each naming what it is about.
std::string reworded(const CLI::ParseError& e, const std::vector<CLI::App*>& path) {
  const std::string what = e.what();
  static const std::regex kMissingValue(R"((-[^:]+): \d+ required (.*) missing)");
  std::smatch m;
  if (std::regex_match(what, m, kMissingValue)) return m[1].str() + " needs a value (" + m[2].str() + ")";
  if (what == "A subcommand is required") {
    std::string names;
    for (const CLI::App* sub : path.back()->get_subcommands([](const CLI::App*) { return true; }))
      names += (names.empty() ? "" : ", ") + sub->get_name();
    return (path.size() == 1 ? std::string("a command is required") : path.back()->get_name() + " needs a command") +
           ": " + names;
  }
  return what;
}

int parse(CLI::App& app, int argc, char** argv) {
  // A command, or --help or --version alone, must come first.
  if (argc > 1) {
    const std::string first = argv[1];
    if (first == "--version" && argc > 2) return usageError("--version takes nothing after it, not " + std::string(argv[2]));
    if (first.size() > 1 && first[0] == '-' && first != "--help" && first != "-h" && first != "--version")
      return notTaken(app, first, {});
    if (first[0] != '-' && app.get_subcommands([&](CLI::App* sub) { return sub->get_name() == first; }).empty())
      return usageError("unknown command " + first);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    // The commands the line named, as far as CLI11 got.
    std::vector<CLI::App*> path{&app};
    while (!path.back()->get_subcommands().empty()) path.push_back(path.back()->get_subcommands().front());
    std::string command;
    for (std::size_t i = 1; i < path.size(); ++i) command += (i > 1 ? " " : "") + path[i]->get_name();
    // What no command took; CLI11 would first say that a command is missing.
    for (const CLI::App* a : path)
      if (const auto left = a->remaining(); !left.empty()) return notTaken(app, left.front(), command);
    return usageError(reworded(e, path), command);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  // Every command's output goes through it and is checked at the end, in this one place.
  prandel::StandardOutput output;
  zktrack::Context ctx;
  ctx.programDir = prandel::executableDir();

  CLI::App app{"zktrack: the Zelkora tracker's stand-in. It opens prandel's editors as the tracker\n"
               "does, shows and seeds the tracker's record files, exports and imports tariffs and\n"
               "holidays as text, checks which condition is in force when, prices and logs calls,\n"
               "and runs as the live tracker that times them.",
               "zktrack"};
  app.set_version_flag("--version", std::string("zktrack ") + PRANDEL_VERSION, "Print the version and exit");
  app.require_subcommand(1, 1);
  app.footer(kFooter);
  zktrack::addOpenCommand(app, ctx);
  zktrack::addShowCommand(app, ctx);
  zktrack::addSeedCommand(app, ctx);
  zktrack::addExportCommand(app, ctx);
  zktrack::addImportCommand(app, ctx);
  zktrack::addWhichCommand(app, ctx);
  zktrack::addCheckCommand(app, ctx);
  zktrack::addHolidaysCommand(app, ctx);
  zktrack::addPriceCommand(app, ctx);
  zktrack::addLogCommand(app, ctx);
  zktrack::addReportCommand(app, ctx);
  zktrack::addRunCommand(app, ctx);
  zktrack::addStatusCommand(app, ctx);

  const int refused = parse(app, argc, argv);
  const int code = refused >= 0 ? refused : ctx.exitCode;
  if (const std::string why = output.finish(); !why.empty()) {
    std::cerr << "zktrack: cannot write the output: " << why << "\n";
    return code == 0 ? 1 : code;
  }
  return code;
}
