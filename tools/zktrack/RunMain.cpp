// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack-run: the process zktrack run becomes (by exec, keeping its pid), holding
// only what the live tracker needs. Users start it as zktrack run.
#include <cstring>
#include <iostream>

#include "Zktrack.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--data") != 0 || argv[2][0] != '/') {
    std::cerr << "zktrack-run: started by 'zktrack run'; run that instead\n";
    return 2;
  }
  return zktrack::runTracker(argv[2]);
}
