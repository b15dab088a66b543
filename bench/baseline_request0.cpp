// SPDX-License-Identifier: GPL-3.0-or-later
// What a request-0 run of prandel must do at least: open the record files, read the
// link and main records, write the link record back, close. It links the same Qt
// libraries (kept with --no-as-needed) so that loading them costs the same.
#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  const char* names[] = {"mlif.zkt", "backrecs.zkt", "mlif.zkt", "sif.zkt", "mlif.zkt", "mlif.zkt", "bit.zkt", "ecf.zkt"};
  int fds[8];
  for (int i = 0; i < 8; ++i) fds[i] = ::open((dir + "/" + names[i]).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  unsigned char link[359] = {};
  unsigned char main[163] = {};
  if (::pread(fds[2], link, sizeof link, 8192) < 0 || ::pread(fds[2], main, sizeof main, 1024) < 0) return 1;
  link[0] = link[1] = 0;
  if (::pwrite(fds[2], link, sizeof link, 8192) < 0) return 1;
  for (int fd : fds) ::close(fd);
  // Keep a Qt symbol referenced, as prandel does before it knows it needs no window.
  return QString::number(main[0]).isEmpty() ? 1 : 0;
}
