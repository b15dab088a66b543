// SPDX-License-Identifier: GPL-3.0-or-later
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <memory>

#include "Zktrack.h"
#include "format/Tariff.h"

namespace zktrack {

namespace {

int runExport(const prandel::DataFolder& folder, prandel::format::TariffPart part, const std::string& outPath, const std::string& guide) {
  store::DataFiles files;
  if (!openRecordsForReading(folder, files)) return 1;
  const Records r = readAll(files);
  const std::string text = prandel::format::writeTariff(r, part, guide);
  if (outPath.empty() || outPath == "-") {
    std::cout << text;
    return std::cout ? 0 : 1;
  }
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::cerr << "zktrack: cannot write " << outPath << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

void addExportCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string what = "all";
    std::string out;
    std::string data;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("export", "Write the conditions, holidays and days off as a tariff file (TOML)");
  cmd->add_option("WHAT", opts->what, "What to write: conditions, holidays or all (the default)")
      ->check(CLI::IsMember({"conditions", "holidays", "all"}));
  cmd->add_option("-o,--output", opts->out, "Write to FILE instead of standard output")->type_name("FILE");
  addDataOption(*cmd, opts->data);
  const std::string guide = documentPlace(ctx.programDir, "tariff-files.md");
  cmd->footer(
      "Writes the weekly days off, then the live expense conditions in slot order, each\n"
      "under a comment with the lines the expense window shows for it, then the holidays.\n"
      "zktrack import reads the file back. The format is described in\n" +
      guide + ".");
  cmd->callback([&ctx, opts, guide] {
    using prandel::format::TariffPart;
    const TariffPart part = opts->what == "conditions" ? TariffPart::Conditions
                            : opts->what == "holidays" ? TariffPart::Holidays
                                                       : TariffPart::All;
    ctx.exitCode = runExport(dataFolderFor(ctx, opts->data), part, opts->out, guide);
  });
}

}  // namespace zktrack
