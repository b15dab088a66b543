// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack show: every setting, condition, holiday and bookmark in words, or as JSON.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "Zktrack.h"
#include "format/RecordPrinter.h"

namespace zktrack {

int runShow(const prandel::DataFolder& folder, bool json) {
  store::DataFiles files;
  if (!openRecordsForReading(folder, files)) return 1;
  const Records r = readAll(files);
  if (json) {
    std::cout << prandel::format::recordsJson(folder, r);
  } else {
    std::cout << dataFolderLine(folder) << "\n";
    prandel::format::printRecords(std::cout, r);
  }
  return 0;
}

void addShowCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string data;
    bool json = false;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("show", "Print the settings, conditions, holidays and bookmarks in words");
  cmd->footer("Reads the record files and never creates or changes one.");
  addDataOption(*cmd, opts->data);
  cmd->add_flag("--json", opts->json, "Print the same as JSON, for scripts");
  cmd->callback([&ctx, opts] { ctx.exitCode = runShow(dataFolderFor(ctx, opts->data), opts->json); });
}

}  // namespace zktrack
