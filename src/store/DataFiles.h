// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/Journal.h"

namespace prandel::store {

class Transaction;

// Channel numbers under which the tracker's files are opened.
namespace channel {
inline constexpr int Mlif256 = 1;
inline constexpr int Backrecs = 34;
inline constexpr int Main = 33;     // mlif.zkt, 512-byte records: MainRecord, LinkRecord
inline constexpr int Sif = 12;
inline constexpr int Holidays = 5;  // mlif.zkt, 64-byte records
inline constexpr int Conditions = 7;  // mlif.zkt, 128-byte records
inline constexpr int Bookmarks = 16;  // bit.zkt, 512-byte records
inline constexpr int Ecf = 38;
}  // namespace channel

// The record files of the data folder, opened as random-access record files.
// A channel and a record number only name a byte range of a file: record N of a
// channel of record length L is the bytes (N-1)*L .. N*L-1. Each channel has its own
// descriptor; writes through one are seen by reads through another.
class DataFiles {
 public:
  struct ChannelInfo {
    int number;
    const char* file;
    std::uint32_t recordLength;
  };
  // In the order in which OpenDataFiles opens them.
  static constexpr std::array<ChannelInfo, 8> kChannels = {{
      {channel::Mlif256, "mlif.zkt", 256},
      {channel::Backrecs, "backrecs.zkt", 256},
      {channel::Main, "mlif.zkt", 512},
      {channel::Sif, "sif.zkt", 256},
      {channel::Holidays, "mlif.zkt", 64},
      {channel::Conditions, "mlif.zkt", 128},
      {channel::Bookmarks, "bit.zkt", 512},
      {channel::Ecf, "ecf.zkt", 2},
  }};

  DataFiles() = default;
  ~DataFiles();
  DataFiles(const DataFiles&) = delete;
  DataFiles& operator=(const DataFiles&) = delete;

  // Opens every channel under folder; a missing file is created empty. A channel
  // that cannot be opened stays closed and the others are still opened. Returns
  // whether all of them opened. First the journals of saves cut short are played
  // back (Journal.h); a file whose journal cannot be is read as it was before that
  // save, and never written.
  bool openAll(const std::string& folder);
  // Opens every channel that has a file, for reading only: nothing is created or
  // changed, so that looking at a folder leaves no trace in it. A file with a save
  // cut short is read as it was before that save, as the next writer will put it.
  bool openAllForReading(const std::string& folder);
  // The journals found at the opening (or the last lock) that were not dealt with:
  // saves cut short that reads look through, and journals that block saves.
  const std::vector<JournalState>& journals() const { return journals_; }

  // The lock that serialises every save of every program on the folder. A save holds
  // it from its first write to its end; a caller holds it around the reads that a
  // save depends on. Whoever takes it first plays back a save cut short before
  // anything is written, so that no playback ever undoes a later write. Taken again
  // within this object it only counts; false when another program held it for longer
  // than the lock wait, and then nothing may be written.
  bool lockFolder();
  void unlockFolder();
  void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }
  class FolderLock {
   public:
    explicit FolderLock(DataFiles& files) : files_(files), held_(files.lockFolder()) {}
    ~FolderLock() {
      if (held_) files_.unlockFolder();
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return held_; }

   private:
    DataFiles& files_;
    bool held_;
  };
  // Closes every channel (closing one that is not open does nothing). False when the
  // system reported an error for one (a write it had not got to the disk yet).
  bool closeAll();

  // Opens one channel again (file set, folder and access of the last openAll).
  bool open(int channelNumber);
  bool close(int channelNumber);
  bool isOpen(int channelNumber) const;

  // Reads the first out.size() bytes of record recNo (counted from 1). Bytes past
  // the end of the file read as zeros. On failure out is left untouched.
  bool read(int channelNumber, std::int64_t recNo, std::span<std::uint8_t> out) const;
  // Reads count consecutive records (whole slots) starting at firstRec into out,
  // which must hold count * record length bytes; zeros past the end of the file.
  bool readRecords(int channelNumber, std::int64_t firstRec, std::int64_t count,
                   std::span<std::uint8_t> out) const;
  // Writes exactly in.size() bytes at the start of record recNo. The room is taken
  // first, so that a full disk or the file size limit refuses the record whole
  // instead of cutting it short.
  bool write(int channelNumber, std::int64_t recNo, std::span<const std::uint8_t> in);
  // Takes the room of count records from firstRec on, so that writing them next
  // cannot run out of space halfway through; false when the disk is full or the file
  // size limit lies within them, and then nothing of the set should be written.
  bool reserve(int channelNumber, std::int64_t firstRec, std::int64_t count);
  // Writes a whole record after the last whole record of the file and returns its
  // number. The file's end is taken at the moment of the write, so a record that
  // another program appended meanwhile is never overwritten. A tail shorter than a
  // record is no record: it is written over.
  std::optional<std::int64_t> append(int channelNumber, std::span<const std::uint8_t> in);

  // Whether saves keep a rollback journal (Transaction.h). On unless switched off
  // to measure what the journal costs.
  void setJournaled(bool on) { journaled_ = on; }
  bool journaled() const { return journaled_; }

  // Length in bytes of the file behind a channel.
  std::optional<std::uint64_t> fileLength(int channelNumber) const;
  std::uint32_t recordLength(int channelNumber) const;
  const std::string& folder() const { return folder_; }
  std::string pathOf(int channelNumber) const;
  std::string pathOf(const char* file) const;
  // The file behind a channel ("mlif.zkt"), or nullptr for no channel of ours.
  const char* fileName(int channelNumber) const;

 private:
  friend class Transaction;
  struct Slot {
    int fd = -1;
  };
  const ChannelInfo* info(int channelNumber) const;
  Slot* slot(int channelNumber);
  const Slot* slot(int channelNumber) const;
  std::optional<std::uint64_t> offsetOf(int channelNumber, std::int64_t recNo) const;
  bool writeAt(int channelNumber, std::uint64_t offset, std::span<const std::uint8_t> in);
  // A running save learns of every failed read or write of its files.
  bool noted(bool ok) const;
  int descriptorOf(const char* file) const;
  bool blocked(const char* file) const;
  bool blocked(int channelNumber) const;
  void block(JournalState journal);
  void recover();
  // Old bytes of a save cut short put over what was read from file at offset.
  void lookThrough(const char* file, std::uint64_t offset, std::span<std::uint8_t> bytes) const;
  static std::vector<std::string> fileNames();

  std::string folder_;
  bool readOnly_ = false;
  std::array<Slot, kChannels.size()> slots_{};
  Transaction* transaction_ = nullptr;
  std::vector<JournalState> journals_;  // not dealt with: their files are not written
  bool journaled_ = true;
  int folderFd_ = -1;
  int lockDepth_ = 0;
  std::chrono::milliseconds lockWait_{5000};
};

}  // namespace prandel::store
