// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A data folder for one benchmark run, removed at the end; under the system's
// temporary folder unless another base is given.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace prandel::bench {

struct Folder {
  std::string path;
  explicit Folder(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    std::string templ = (base / "prandel-bench-XXXXXX").string();
    if (::mkdtemp(templ.data())) path = templ;
  }
  ~Folder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
};

}  // namespace prandel::bench
