// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <string_view>

namespace prandel {
namespace {

constexpr const char* kUsage =
    "Usage: prandel [--help | --version]\n"
    "\n"
    "Prandel is the settings editor of the Zelkora dial-up cost tracker. The tracker\n"
    "writes a request into the record file mlif.zkt of its data folder and starts\n"
    "prandel, which opens the one editor asked for (expense conditions, countdown,\n"
    "call settings, holidays, bookmarks, favourites import), saves into the same\n"
    "files, tells the tracker and ends. Started without a request it ends at once.\n"
    "\n"
    "To open an editor yourself, use the tracker's stand-in:\n"
    "  zktrack open expense|countdown|call|holidays|bookmarks|import\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Data folder: an installed prandel reads the first line of\n"
    "$XDG_CONFIG_HOME/zelkora/Zelkora.ini, then /etc/xdg/zelkora/Zelkora.ini\n"
    "(DataDir=/path/to/data); without one it uses $XDG_DATA_HOME/zelkora\n"
    "(~/.local/share/zelkora). A copy in a folder of its own reads Zelkora.ini\n"
    "beside it, else keeps the records in its own folder.\n";

}  // namespace

std::optional<int> answerCommandLine(int argc, char** argv, std::ostream& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i] ? argv[i] : "";
    if (arg == "--help" || arg == "-h" || arg == "-?") {
      out << kUsage;
      return 0;
    }
    if (arg == "--version") {
      out << "prandel " << PRANDEL_VERSION << "\n";
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace prandel
