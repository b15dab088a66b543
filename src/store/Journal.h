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

// A journal that lies beside a data file, as the folder holds it now.
struct JournalState {
  enum class Kind {
    CutSave,        // a save cut short: until it is played back, read the file through `image`
    NotRegular,     // something else has the journal's name (a folder, a pipe, a link)
    Unreadable,     // it cannot be opened or read
    CannotRecover,  // it could not be played back or removed (a read-only folder or file)
  };
  std::string file;     // the data file, "mlif.zkt"
  std::string journal;  // the journal's path
  Kind kind = Kind::CutSave;
  std::string what;    // NotRegular: what it is ("a folder"); Unreadable: why
  JournalImage image;  // the old bytes, where the journal could be read
  bool undo = false;   // the save did not take effect: `image` is what the file held
};

// The words for a journal that blocks the saves of its file: "/x/mlif.zkt-journal is
// a folder, not a journal of ours".
std::string describeJournal(const JournalState& j);

// Looks at the journals of the named data files without locking, writing or removing
// anything: the saves cut short whose old bytes a reader must see, and the journals
// that stand in the way of saves. A journal cut short before its save touched the
// file (or garbage under a journal's name) does not count.
std::vector<JournalState> inspectJournals(const std::string& folder, const std::vector<std::string>& files);

// Plays back or removes the journals of the named data files in folder, in the order
// that keeps each save whole. A journal whose save is still running in another
// process (it holds the journal's lock) is left alone. Returns the journals that could
// not be dealt with (something else under the name, a read-only folder or file, a
// failed write): their file may hold half a save and must not be written until a
// later start recovers it.
std::vector<JournalState> recoverJournals(const std::string& folder, const std::vector<std::string>& files);

// Whether a journal lies beside any record file of folder; reads nothing else and
// changes nothing.
bool journalPending(const std::string& folder);

}  // namespace prandel::store
