// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few system calls the record files and their journals are written with, each
// going on after an interruption and reporting only whether it worked.
#include <cstddef>
#include <cstdint>
#include <string>

namespace prandel::store::file {

// Reads up to len bytes at offset; got is how many the file held.
bool preadFull(int fd, std::uint8_t* buf, std::size_t len, std::uint64_t offset, std::size_t& got);
bool pwriteFull(int fd, const std::uint8_t* buf, std::size_t len, std::uint64_t offset);
// The file's bytes and its length on the disk.
bool syncData(int fd);
// The names in folder (a journal made or removed) on the disk.
bool syncFolder(const std::string& folder);
// Whether fd is the file that path names now (not a symbolic link to it).
bool sameFile(int fd, const std::string& path);
// Overwrites the start of a journal so that it no longer reads as one, durably.
bool spoil(int fd);

// For tests: asked before every write and flush made here; an errno it returns makes
// that call fail with it, as a failing disk would. Nothing is asked when none is set.
enum class Call { Read, Write, SyncData, SyncFolder };
using FaultHook = int (*)(Call call);
void setFaultHook(FaultHook hook);

}  // namespace prandel::store::file
