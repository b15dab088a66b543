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

std::optional<int> answerCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
  if (argc <= 1) return std::nullopt;
  const auto arg = [argv](int i) { return std::string_view(argv[i] ? argv[i] : ""); };
  const std::string_view first = arg(1);
  const bool help = first == "--help" || first == "-h" || first == "-?";
  const bool version = first == "--version";
  if (argc == 2 && help) {
    out << kUsage;
    return 0;
  }
  if (argc == 2 && version) {
    out << "prandel " << PRANDEL_VERSION << "\n";
    return 0;
  }
  // The argument that is not taken: the first, or the one after --help or --version.
  const std::string_view wrong = help || version ? arg(2) : first;
  if (help || version) {
    err << "prandel: " << first << " takes nothing after it, not " << wrong << "\n";
  } else if (wrong.size() > 1 && wrong[0] == '-') {
    err << "prandel: unknown option " << wrong.substr(0, wrong.find('=')) << "\n";
  } else {
    err << "prandel: unexpected argument " << wrong << "\n";
  }
  err << "prandel: run 'prandel --help' for more information\n";
  return 2;
}

}  // namespace prandel
