// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which bytes of the data files each editor may change, and the check of a whole
// case folder before and after a run: every other byte of every file stays.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace prandel::fuzz {

struct Entry {
  char kind = 'f';  // 'f' regular file, 'd' folder, 'l' link, 'p' pipe or other
  std::vector<std::uint8_t> bytes;
};
using Tree = std::map<std::string, Entry>;  // by path below the root

// Everything under root, without following links and without opening pipes.
Tree snapshot(const std::string& root);

struct Range {
  std::size_t begin, end;  // [begin, end)
};

// What the editor of a request code may change in mlif.zkt: its MainRecord fields
// and ChangeCode, the request code (start-up, RunApp) and the reload flag
// (shutdown); the expense editor its two sets of condition slots; the holiday editor
// the records of the holidayCount holidays it saved.
std::vector<Range> ownedMlif(std::int16_t code, int holidayCount);

// What it may change in bit.zkt of lengthBefore bytes: the bookmark windows append
// from the end of the last whole record; the bookmark list also marks existing
// records deleted.
std::vector<Range> ownedBit(std::int16_t code, std::size_t lengthBefore);

// A record file whose bytes past its end read as zeros: missing bytes count as zero.
void compareTrees(std::int16_t code, const std::string& dataDirBelowRoot, const Tree& before, const Tree& after,
                  std::vector<std::string>& faults);

}  // namespace prandel::fuzz
