// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One live tracker per data folder: a lock file in the user's runtime folder
// ($XDG_RUNTIME_DIR/zelkora), named after the data folder's canonical path, that the
// running tracker holds and in which it writes its process id and the folder. The
// kernel drops the lock when the tracker ends, however it ends. Beside it lies the
// tracker's status file (tracker/TrackerStatus.h).
#include <optional>
#include <string>

namespace prandel::platform {

// $XDG_RUNTIME_DIR/zelkora when that is a folder of the user's own, else
// /tmp/zelkora-<uid> (PrivateFolder.h).
std::string trackerRuntimeFolder();

// The files of a data folder's tracker in the runtime folder: "tracker-<hash>.lock"
// and "tracker-<hash>.json", the hash of the folder's canonical path (FNV-1a, as the
// editors name their records' locks).
std::string trackerLockPath(const std::string& runtimeFolder, const std::string& dataFolder);
std::string trackerStatusPath(const std::string& runtimeFolder, const std::string& dataFolder);

// The tracker that holds a lock: what it wrote into the lock file.
struct TrackerHolder {
  long pid = 0;
  std::string dataFolder;
};

class TrackerLock {
 public:
  TrackerLock() = default;
  ~TrackerLock();
  TrackerLock(const TrackerLock&) = delete;
  TrackerLock& operator=(const TrackerLock&) = delete;

  enum class Outcome { Taken, HeldByAnother, Failed };
  // Takes the data folder's lock in runtimeFolder (made when missing, refused when it
  // is not the user's own). HeldByAnother fills holder; Failed says why.
  Outcome acquire(const std::string& runtimeFolder, const std::string& dataFolder, TrackerHolder& holder,
                  std::string& why);
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// The tracker that holds the data folder's lock now, if one does. Nothing is made or
// changed.
std::optional<TrackerHolder> trackerHolding(const std::string& runtimeFolder, const std::string& dataFolder);

}  // namespace prandel::platform
