// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One save of several records, all or nothing. The save names what it will write,
// begin() keeps the old bytes in a journal beside each file (Journal.h), the save
// writes through DataFiles as usual, and commit() makes the new bytes durable and
// removes the journals. A write or read of the save that fails, a write it did not
// name, or a flush that fails puts the files back as they were; a process killed
// on the way leaves the journals, which the next opening of the data folder plays
// back.
//
// A transaction begun while another one runs on the same files joins it: a set copy
// that is itself one save can then be part of a larger save.
#include <cstdint>
#include <string>
#include <vector>

#include "store/Journal.h"

namespace prandel::store {

class DataFiles;

class Transaction {
 public:
  explicit Transaction(DataFiles& files);
  // One begun and not committed is undone.
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // The save will write count records of channel from firstRec on, the first
  // `bytes` bytes of each (0: whole records).
  void cover(int channelNumber, std::int64_t firstRec, std::int64_t count = 1, std::uint32_t bytes = 0);
  // The save will append records to the channel's file; undoing it cuts the file
  // back to its length at begin().
  void coverAppends(int channelNumber);

  // False when the old bytes could not be kept (no room, a read-only folder, a file
  // whose earlier journal is still pending): then nothing may be written.
  bool begin();
  // Whether the save took effect; when not, the files hold what they held before.
  bool commit();

  bool failed() const;

 private:
  friend class DataFiles;
  struct Range {
    std::uint64_t begin;
    std::uint64_t end;
  };
  struct Part {
    const char* file = nullptr;
    std::uint32_t recordLength = 0;
    std::vector<Range> ranges;
    bool appends = false;
    std::uint64_t appendFrom = 0;
    int fd = -1;
    std::string journalPath;
    int journalFd = -1;
    JournalImage image;
  };

  // Asked by DataFiles before each write of the save.
  bool admits(const char* file, std::uint64_t offset, std::uint64_t length);
  bool admitsAppend(const char* file);
  void fail();

  Part* part(const char* file);
  Part* partFor(int channelNumber);
  bool takeOldBytes(Part& p);
  bool writeJournal(Part& p);
  bool undo();
  bool removeJournals();
  void release();

  DataFiles& files_;
  Transaction* outer_ = nullptr;
  std::vector<Part> parts_;
  enum class State { Declaring, Running, Ended } state_ = State::Declaring;
  bool failed_ = false;
  bool journaled_ = true;
  bool locked_ = false;  // holds the folder's save lock
};

}  // namespace prandel::store
