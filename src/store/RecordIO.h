// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "store/DataFiles.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel::store {

// Reads record recNo of channel into rec; on failure rec keeps what it held.
template <class Record>
bool readRecord(const DataFiles& files, int channelNumber, std::int64_t recNo, Record& rec) {
  std::array<std::uint8_t, Record::Size> buf{};
  if (!files.read(channelNumber, recNo, buf)) return false;
  rec.decode(buf);
  return true;
}

// Writes only the record's own bytes.
template <class Record>
bool writeRecord(DataFiles& files, int channelNumber, std::int64_t recNo, const Record& rec) {
  const auto buf = rec.encoded();
  return files.write(channelNumber, recNo, buf);
}

// Appends the record after the last whole record of the channel's file; the number
// it took, or nothing when the file refused it.
template <class Record>
std::optional<std::int64_t> appendRecord(DataFiles& files, int channelNumber, const Record& rec) {
  const auto buf = rec.encoded();
  return files.append(channelNumber, buf);
}

// DoWrite true writes the record, anything else reads it; errors are silent.
inline bool MainRecIO(DataFiles& files, MainRecord& rec, bool doWrite) {
  return doWrite ? writeRecord(files, MainRecord::Channel, MainRecord::RecordNo, rec)
                 : readRecord(files, MainRecord::Channel, MainRecord::RecordNo, rec);
}

inline bool LinkRecIO(DataFiles& files, LinkRecord& rec, bool doWrite) {
  return doWrite ? writeRecord(files, LinkRecord::Channel, LinkRecord::RecordNo, rec)
                 : readRecord(files, LinkRecord::Channel, LinkRecord::RecordNo, rec);
}

}  // namespace prandel::store
