// SPDX-License-Identifier: GPL-3.0-or-later
// Prandel: the settings editor of the Zelkora suite. The tracker writes a request
// code into the shared link record and starts this program; it opens the one editor
// asked for, and ends.
#include <csignal>
#include <iostream>

#include "app/CommandLine.h"
#include "app/Prandel.h"
#include "app/Startup.h"
#include "core/AppPath.h"
#include "core/Regional.h"
#include "core/StandardOutput.h"
#include "platform/linux/LinuxPlatform.h"

int main(int argc, char** argv) {
  {
    prandel::StandardOutput output;
    if (const auto answered = prandel::answerCommandLine(argc, argv, std::cout, std::cerr)) {
      if (const std::string why = output.finish(); !why.empty()) {
        std::cerr << "prandel: cannot write the output: " << why << "\n";
        return *answered == 0 ? 1 : *answered;
      }
      return *answered;
    }
  }
  // A write past the file size limit fails like any other file error instead of
  // ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  prandel::platform::LinuxPlatform linuxPlatform(prandel::intlValuesOf(prandel::Regional(QLocale::system())));
  prandel::RunOptions options;
  options.programDir = prandel::executableDir();
  return prandel::runPrandel(argc, argv, linuxPlatform.services(), options);
}
