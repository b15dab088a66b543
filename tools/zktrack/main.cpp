// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack: the tracker's stand-in on Linux. It asks prandel for an editor as the
// tracker does, and shows, seeds and checks the record files of a data folder.
#include <CLI/CLI.hpp>
#include <iostream>

#include "Zktrack.h"
#include "common/AppPath.h"

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

}  // namespace

int main(int argc, char** argv) {
  zktrack::Context ctx;
  ctx.programDir = prandel::executableDir();

  CLI::App app{"zktrack: the Zelkora tracker's stand-in. It opens prandel's editors as the tracker\n"
               "does, shows and seeds the tracker's record files, exports and imports tariffs and\n"
               "holidays as text, checks which condition is in force when, and prices a call.",
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

  // CLI11 would only say that a command is missing.
  if (argc > 1 && argv[1][0] != '-') {
    const auto named = app.get_subcommands([&](CLI::App* sub) { return sub->get_name() == argv[1]; });
    if (named.empty()) {
      std::cerr << "zktrack: unknown command " << argv[1] << "\nRun with --help for more information.\n";
      return 2;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e, std::cout, std::cerr);
    return 2;
  }
  return ctx.exitCode;
}
