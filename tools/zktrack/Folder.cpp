// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <CLI/CLI.hpp>
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

std::string dataFolderLine(const prandel::DataFolder& folder) {
  return "Data folder: " + folder.path + " (" + prandel::describeOrigin(folder) + ")";
}

bool recordsIn(const std::string& folder) {
  struct stat st {};
  const std::string path = folder + "/mlif.zkt";
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

bool makeDataFolder(const std::string& folder) {
  if (folder.empty()) {
    std::cerr << "zktrack: no data folder: no home folder is known; set HOME or XDG_DATA_HOME, or use --data DIR\n";
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder)) {
    std::cerr << "zktrack: cannot create the data folder " << folder << ": "
              << (ec ? ec.message() : std::string("something else has that name")) << "\n";
    return false;
  }
  return true;
}

bool openRecordsForReading(const prandel::DataFolder& folder, store::DataFiles& files) {
  if (!recordsIn(folder.path)) {
    std::cerr << "zktrack: no records in " << folder.path << " (mlif.zkt missing or empty); try: zktrack seed\n";
    return false;
  }
  if (!files.openAllForReading(folder.path) && !files.isOpen(store::MainRecord::Channel)) {
    std::cerr << "zktrack: cannot read the record files in " << folder.path << "\n";
    return false;
  }
  return true;
}

}  // namespace zktrack
