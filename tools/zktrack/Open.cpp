// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "Zktrack.h"
#include "core/EditorRequests.h"
#include "core/TrackerLink.h"
#include "format/RecordChanges.h"
#include "platform/linux/TrackerLock.h"
#include "store/RecordIO.h"

namespace zktrack {
namespace {

void printChanges(const Records& before, const Records& after) {
  const auto groups = prandel::format::recordChanges(before, after);
  for (const auto& g : groups) {
    std::cout << g.title << ":\n";
    for (const auto& l : g.lines) std::cout << "  " << l << "\n";
  }
  if (groups.empty()) std::cout << "No settings changed.\n";
}

}  // namespace

int runOpen(const std::string& programDir, const prandel::DataFolder& dataFolder, std::int16_t requestCode) {
  const std::string prandel = programDir + "/prandel";
  if (::access(prandel.c_str(), X_OK) != 0) {
    std::cerr << "zktrack: no prandel to start beside zktrack (" << prandel << ")\n";
    return 1;
  }
  const std::string& folder = dataFolder.path;
  std::cout << dataFolderLine(dataFolder) << std::endl;
  if (std::string why; !makeDataFolder(folder, why)) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  Records before;
  {
    store::DataFiles files;
    files.openAll(folder);
    before = readAll(files);
    if (!prandel::writeRequest(files, requestCode)) {
      std::cerr << "zktrack: cannot write the request into " << folder << "/mlif.zkt\n";
      return 1;
    }
  }  // closed while prandel runs: it may replace the files

  std::string why;
  const int rc = runWithoutClockRight(prandel, why);
  if (!why.empty()) std::cerr << "zktrack: " << why << "\n";

  store::DataFiles files;
  files.openAll(folder);
  // Read, changed and written as one, as the tracker does.
  const store::DataFiles::FolderLock lock(files);
  store::LinkRecord link;
  store::LinkRecIO(files, link, false);
  if (rc < 0) {
    // A request left behind would open the editor at the next start of prandel.
    link.RequestCode = 0;
    store::LinkRecIO(files, link, true);
    return 1;
  }
  const Records after = readAll(files);
  std::cout << "prandel ended with exit code " << rc << ".\n"
            << "Change notice: ChangeCode " << int{after.main.ChangeCode} << ", ReloadFlag " << after.link.ReloadFlag
            << "\n";
  if (after.link.RequestCode != 0)
    std::cout << "prandel left the request code " << after.link.RequestCode << " in the link record; cleared.\n";
  printChanges(before, after);

  // A live tracker of this folder takes the notice (and the requests 39 and 56) itself:
  // cleared here, it would never read the new settings.
  const bool trackerRuns = prandel::platform::trackerHolding(prandel::platform::trackerRuntimeFolder(), folder).has_value();
  if (trackerRuns) std::cout << "The live tracker of this data folder takes the change notice.\n";
  const bool forTracker = trackerRuns && prandel::isSiblingRequest(link.RequestCode);
  // As the tracker does once it has reloaded: each record read, changed and written.
  if (!trackerRuns) {
    const prandel::Acknowledgement done = prandel::acknowledgeReload(files, link);
    if (!done.linkCleared) std::cerr << "zktrack: cannot clear the link record\n";
    if (!done.changeCleared) std::cerr << "zktrack: cannot clear ChangeCode\n";
  } else if (link.RequestCode != 0 && !forTracker) {
    link.RequestCode = 0;
    if (!store::LinkRecIO(files, link, true)) std::cerr << "zktrack: cannot clear the link record\n";
  }
  return rc;
}

void addOpenCommand(CLI::App& app, Context& ctx) {
  auto editor = std::make_shared<std::string>();
  std::vector<std::string> names;
  for (const auto& e : prandel::kEditors) names.emplace_back(e.name);
  auto* cmd = app.add_subcommand("open", "Open one of prandel's editors, as the tracker does");
  cmd->footer(
      "Writes the request into the link record of prandel's data folder, starts the\n"
      "prandel beside zktrack without the right to set the clock, waits for it, reports\n"
      "what changed and clears the change notice as the tracker does once it has\n"
      "reloaded. Works from any folder; the data folder is always prandel's (no --data).");
  cmd->add_option("EDITOR", *editor, "The editor to open")->required()->check(CLI::IsMember(names));
  cmd->callback([&ctx, editor] {
    if (const prandel::EditorInfo* e = prandel::editorNamed(*editor))
      ctx.exitCode = runOpen(ctx.programDir, prandel::locateDataFolder(ctx.programDir), e->code);
  });
}

}  // namespace zktrack
