// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "Zktrack.h"

namespace zktrack {

void addDataOption(CLI::App& command, std::string& data) {
  command.add_option("--data", data, "Work on the data folder DIR instead of prandel's")
      ->type_name("DIR");
}

prandel::DataFolder dataFolderFor(const Context& ctx, const std::string& dataOption) {
  if (dataOption.empty()) return prandel::locateDataFolder(ctx.programDir);
  std::error_code ec;
  const auto abs = std::filesystem::absolute(dataOption, ec);
  std::string path = ec ? dataOption : abs.lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return {path, prandel::DataFolderOrigin::Given, {}};
}

std::string documentPlace(const std::string& programDir, const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path beside = fs::weakly_canonical(fs::path(programDir) / ".." / "share/doc/prandel" / name, ec);
  if (!ec && fs::is_regular_file(beside, ec)) return beside.string();
  const fs::path packaged = fs::path("/usr/share/doc/prandel") / name;
  if (fs::is_regular_file(packaged, ec)) return packaged.string();
  return "docs/" + name + " of Prandel's sources";
}

std::string dataFolderLine(const prandel::DataFolder& folder) {
  return "Data folder: " + folder.path + " (" + prandel::describeOrigin(folder) + ")";
}

bool recordsIn(const std::string& folder) {
  struct stat st {};
  const std::string path = folder + "/mlif.zkt";
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

void reportNoRecords(const std::string& folder) {
  std::cerr << "zktrack: no records in " << folder << " (mlif.zkt missing or empty); try: zktrack seed\n";
}

bool makeDataFolder(const std::string& folder, std::string& error) {
  if (folder.empty()) {
    error = "no data folder: no home folder is known; set HOME or XDG_DATA_HOME, or use --data DIR";
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder)) {
    error = "cannot create the data folder " + folder + ": " +
            (ec ? ec.message() : std::string("something else has that name"));
    return false;
  }
  return true;
}

bool openRecordsForReading(const prandel::DataFolder& folder, store::DataFiles& files) {
  if (!recordsIn(folder.path)) {
    reportNoRecords(folder.path);
    return false;
  }
  if (!files.openAllForReading(folder.path) && !files.isOpen(store::MainRecord::Channel)) {
    std::cerr << "zktrack: cannot read the record files in " << folder.path << "\n";
    return false;
  }
  noteJournals(files);
  return true;
}

void noteJournals(const store::DataFiles& files) {
  for (const auto& j : files.journals()) {
    if (j.kind == store::JournalState::Kind::CutSave)
      std::cerr << "zktrack: note: a save to " << files.pathOf(j.file.c_str())
                << " was cut short; shown as the records were before it (the next program that writes there "
                   "puts them back)\n";
    else
      std::cerr << "zktrack: note: " << store::describeJournal(j) << "; nothing can be saved to " << j.file
                << " until it is dealt with\n";
  }
}

void reportBlockingJournals(const store::DataFiles& files) {
  for (const auto& j : files.journals()) std::cerr << "zktrack: " << store::describeJournal(j) << "\n";
}

}  // namespace zktrack
