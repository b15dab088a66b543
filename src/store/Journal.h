// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rollback journal of a save. Before a save changes more than one record of a
// data file it keeps the old bytes of everything it will write in a journal beside
// the file ("mlif.zkt-journal"), made durable before the file is touched and removed
// once the file's new bytes are durable. A journal found later belongs to a save that
// was cut short: playing it back puts the file as it was before that save. A journal
// cut short while it was being written is detected by its checksum; the file was not
// touched yet, so it is only removed.
//
// A save over two files keeps one journal per file. The first journal's removal is
// the moment the save takes effect: a later journal of the same save whose first
// journal is gone belongs to a save that took effect, and is removed without being
// played back.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace prandel::store {

struct JournalRegion {
  std::uint64_t offset = 0;
  std::vector<std::uint8_t> old;  // the bytes the file held there
};

struct JournalImage {
  std::uint64_t saveId = 0;    // shared by the journals of one save
  std::uint32_t position = 1;  // 1: the journal whose removal makes the save take effect
  std::string firstFile;       // data file of the journal at position 1
  std::string file;            // data file this journal puts back, "mlif.zkt"
  std::uint64_t length = 0;    // the file's length before the save
  bool cutBack = false;        // the save may lengthen the file: cut it back to length
  std::vector<JournalRegion> regions;
};

// The journal's bytes: a header, the regions, and a trailer with the length and a
// checksum of everything before it.
std::vector<std::uint8_t> encodeJournal(const JournalImage& image);
// Nothing for a journal cut short, of another format, with a wrong checksum, or that
// names regions no data file of this program can have (each lies within the file's
// old length, and that within the largest file a record number can reach).
std::optional<JournalImage> decodeJournal(std::span<const std::uint8_t> bytes);

std::string journalPathOf(const std::string& dataPath);

// Plays back or removes the journals of the named data files in folder, in the order
// that keeps each save whole. A journal whose save is still running in another
// process (it holds the journal's lock) is left alone. Returns the files whose
// journal could not be dealt with (a read-only folder or file, a failed write): their
// file may hold half a save and must not be written until a later start recovers it.
std::vector<std::string> recoverJournals(const std::string& folder, const std::vector<std::string>& files);

// Whether a journal lies beside any record file of folder; reads nothing else and
// changes nothing.
bool journalPending(const std::string& folder);

}  // namespace prandel::store
