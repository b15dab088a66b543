// SPDX-License-Identifier: GPL-3.0-or-later
#include "ZktrackKit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace prandel::test {

bool RunResult::has(const std::string& line) const {
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);)
    if (l == line) return true;
  return false;
}

RunResult runProgram(const std::string& exe, const std::vector<std::string>& args) {
  TempDir capture;
  RunResult r = runProgramWithOutput(exe, args, capture.file("out"));
  r.out = readText(capture.file("out"));
  return r;
}

RunResult runProgramWithOutput(const std::string& exe, const std::vector<std::string>& args,
                               const std::string& outPath) {
  TempDir capture;
  const std::string errPath = capture.file("err");
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int out = outPath.empty() ? -1 : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    if ((out < 0 && !outPath.empty()) || err < 0 || in < 0) ::_exit(120);
    ::dup2(in, 0);
    if (out >= 0) ::dup2(out, 1);
    else ::close(1);
    ::dup2(err, 2);
    ::execv(exe.c_str(), argv.data());
    ::_exit(121);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  RunResult r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.err = readText(errPath);
  return r;
}

ProgramFolder::ProgramFolder() : exe_(dir_.file("zktrack")) {
  copyFile(ZKTRACK_PATH, exe_);
  makeExecutable(exe_);
}

void editRecords(const std::string& folder, const std::function<void(store::DataFiles&)>& edit) {
  store::DataFiles files;
  if (!files.openAll(folder)) throw std::runtime_error("cannot open the records of " + folder);
  edit(files);
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void copyFile(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

std::vector<std::string> listing(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    out.push_back(e.path().string() + " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                  std::to_string(st.st_mtim.tv_nsec));
  }
  std::sort(out.begin(), out.end());
  return out;
}

void makeExecutable(const std::string& path) {
  std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
}

}  // namespace prandel::test
