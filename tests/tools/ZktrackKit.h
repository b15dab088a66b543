// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the zktrack binary in program folders of its own and reads back the records
// it leaves, through the store.
#include <functional>
#include <string>
#include <vector>

#include "store/DataFiles.h"
#include "support/TempDir.h"

namespace prandel::test {

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
  bool has(const std::string& line) const;  // a whole line of out
};

RunResult runProgram(const std::string& exe, const std::vector<std::string>& args);
// The same with standard output going to stdoutPath (such as /dev/full), or closed
// when it is empty; out is then empty.
RunResult runProgramWithOutput(const std::string& exe, const std::vector<std::string>& args,
                               const std::string& stdoutPath);

// A program folder with its own copy of zktrack; with no Zelkora.ini it is also
// the data folder of zktrack and of a prandel put beside it.
class ProgramFolder {
 public:
  ProgramFolder();
  const std::string& path() const { return dir_.path(); }
  std::string file(const std::string& name) const { return dir_.file(name); }
  RunResult zktrack(const std::vector<std::string>& args) const { return runProgram(exe_, args); }

 private:
  TempDir dir_;
  std::string exe_;
};

// Opens the record files of folder, lets edit change them and closes them.
void editRecords(const std::string& folder, const std::function<void(store::DataFiles&)>& edit);

std::string readText(const std::string& path);
void copyFile(const std::string& from, const std::string& to);
void makeExecutable(const std::string& path);
// Every entry under folder with its size and modification time, sorted: equal
// listings mean nothing was made, removed or written.
std::vector<std::string> listing(const std::string& folder);

}  // namespace prandel::test
