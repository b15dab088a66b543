// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack: the tracker's stand-in on Linux. It seeds and shows the record files of
// a data folder and starts prandel with a request code, as the tracker does.
#include <array>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <system_error>

#include "Zktrack.h"
#include "common/AppPath.h"

namespace {

constexpr const char* kUsage =
    "usage: zktrack [--data DIR] open expense|countdown|call|holidays|bookmarks|import\n"
    "       zktrack [--data DIR] show\n"
    "       zktrack [--data DIR] seed [--force]\n"
    "       zktrack --help\n"
    "\n"
    "  open   write the request into the link record, start prandel beside zktrack\n"
    "         without the right to set the clock, report and clear its change notice\n"
    "  show   print the settings, conditions, holidays and bookmarks\n"
    "  seed   fill an empty data folder with demo records (--force replaces them)\n"
    "\n"
    "The data folder is the one prandel uses: named by Zelkora.ini beside the\n"
    "programs, else their own folder; when that folder is not writable and holds\n"
    "no records, $XDG_DATA_HOME/zelkora (~/.local/share/zelkora). --data names\n"
    "another one for show and seed.\n";

struct Editor {
  std::string_view name;
  std::int16_t code;
};
constexpr std::array<Editor, 6> kEditors = {{
    {"countdown", 501},
    {"expense", 502},
    {"call", 503},
    {"holidays", 504},
    {"bookmarks", 505},
    {"import", 506},
}};

int usageError(const std::string& why) {
  std::cerr << "zktrack: " << why << "\n" << kUsage;
  return 2;
}

std::string absolutePath(const std::string& p) {
  std::error_code ec;
  auto abs = std::filesystem::absolute(p, ec);
  return ec ? p : abs.lexically_normal().string();
}

bool sameFolder(const std::string& a, const std::string& b) {
  std::error_code ec1, ec2;
  const auto ca = std::filesystem::weakly_canonical(a, ec1);
  const auto cb = std::filesystem::weakly_canonical(b, ec2);
  if (ec1 || ec2) return absolutePath(a) == absolutePath(b);
  return ca == cb;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> data;
  bool force = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--data") {
      if (i + 1 >= argc) return usageError("--data needs a folder");
      data = argv[++i];
    } else if (arg.starts_with("--data=")) {
      data = std::string(arg.substr(7));
    } else if (arg == "--force") {
      force = true;
    } else if (arg.starts_with("-")) {
      return usageError("unknown option " + std::string(arg));
    } else {
      words.emplace_back(arg);
    }
  }
  if (words.empty()) return usageError("no command given");
  if (data && data->empty()) return usageError("--data needs a folder");
  const std::string& command = words[0];
  if (force && command != "seed") return usageError("--force belongs to seed");

  const std::string programDir = prandel::executableDir();
  if (command == "show" || command == "seed") {
    if (words.size() != 1) return usageError("unexpected argument " + words[1]);
    const std::string folder = data ? absolutePath(*data) : prandel::SetAppPath(programDir);
    return command == "show" ? zktrack::runShow(folder) : zktrack::runSeed(folder, force);
  }
  if (command == "open") {
    if (words.size() != 2) return usageError(words.size() < 2 ? "open needs an editor" : "unexpected argument " + words[2]);
    const Editor* editor = nullptr;
    for (const auto& e : kEditors)
      if (e.name == words[1]) editor = &e;
    if (!editor) return usageError("unknown editor " + words[1]);
    const std::string folder = prandel::SetAppPath(programDir);
    // prandel has no command line: its folder comes from Zelkora.ini alone.
    if (data && !sameFolder(*data, folder)) {
      std::cerr << "zktrack: prandel uses " << folder << ", not " << *data
                << "; name the folder in Zelkora.ini beside prandel (" << programDir << ") instead of --data\n";
      return 2;
    }
    return zktrack::runOpen(programDir, folder, editor->code);
  }
  return usageError("unknown command " + command);
}
