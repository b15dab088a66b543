// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorOwnership.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "store/BookmarkRecord.h"
#include "store/Codec.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel::fuzz {
namespace fs = std::filesystem;

using store::BookmarkRecord;
using store::ExpenseCondition;
using store::HolidayRecord;
using store::LinkRecord;
using store::MainRecord;

namespace {

constexpr std::size_t kMainAt = (MainRecord::RecordNo - 1) * 512;
constexpr std::size_t kLinkAt = (LinkRecord::RecordNo - 1) * 512;

template <class Table>
Range fieldRange(const Table& table, std::size_t at, std::string_view name) {
  for (const store::FieldInfo& f : table)
    if (name == f.name) return {at + f.offset, at + f.offset + f.width};
  std::fprintf(stderr, "editor_fuzz: no field %.*s\n", static_cast<int>(name.size()), name.data());
  std::abort();
}

Range mainField(std::string_view name) { return fieldRange(store::kMainRecordFields, kMainAt, name); }

Range records(int first, int last, std::size_t size) {
  return {static_cast<std::size_t>(first - 1) * size, static_cast<std::size_t>(last) * size};
}

bool owned(const std::vector<Range>& ranges, std::size_t at) {
  return std::any_of(ranges.begin(), ranges.end(), [at](const Range& r) { return at >= r.begin && at < r.end; });
}

template <class Table>
std::string fieldAt(const Table& table, std::size_t off) {
  for (const store::FieldInfo& f : table)
    if (off >= f.offset && off < f.offset + f.width) return f.name;
  return "unused";
}

// Where a byte of mlif.zkt lies, for the report.
std::string describeMlif(std::size_t at) {
  if (at >= kMainAt && at < kMainAt + MainRecord::Size)
    return "MainRecord " + fieldAt(store::kMainRecordFields, at - kMainAt);
  if (at >= kLinkAt && at < kLinkAt + LinkRecord::Size)
    return "LinkRecord " + fieldAt(store::kLinkRecordFields, at - kLinkAt);
  const std::size_t cond = at / ExpenseCondition::Size + 1;
  if (cond > ExpenseCondition::LiveBase && cond <= ExpenseCondition::WorkBase + ExpenseCondition::Slots + 1)
    return "condition record " + std::to_string(cond) + " " +
           fieldAt(store::kExpenseConditionFields, at % ExpenseCondition::Size);
  const std::size_t holi = at / HolidayRecord::Size + 1;
  if (holi > HolidayRecord::Base && holi <= HolidayRecord::Base + HolidayRecord::Capacity)
    return "holiday " + std::to_string(holi - HolidayRecord::Base) + " " +
           fieldAt(store::kHolidayRecordFields, at % HolidayRecord::Size);
  return "no record of this program";
}

std::string describeBit(std::size_t at) {
  return "bookmark " + std::to_string(at / BookmarkRecord::Size + 1) + " " +
         fieldAt(store::kBookmarkRecordFields, at % BookmarkRecord::Size);
}

std::string hexByte(int b) {
  if (b < 0) return "--";
  static const char kDigits[] = "0123456789abcdef";
  return {kDigits[(b >> 4) & 0xF], kDigits[b & 0xF]};
}

// Changed bytes outside the owned ranges, as runs of neighbouring offsets.
void checkBytes(const std::string& name, const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                const std::vector<Range>& ranges, bool zerosPastEnd, std::string (*describe)(std::size_t),
                std::vector<std::string>& faults) {
  const std::size_t n = std::max(a.size(), b.size());
  const auto byteOf = [zerosPastEnd](const std::vector<std::uint8_t>& v, std::size_t i) {
    return i < v.size() ? static_cast<int>(v[i]) : zerosPastEnd ? 0 : -1;
  };
  int reported = 0;
  for (std::size_t i = 0; i < n;) {
    if (byteOf(a, i) == byteOf(b, i) || owned(ranges, i)) {
      ++i;
      continue;
    }
    std::size_t j = i;
    std::string was, now;
    while (j < n && byteOf(a, j) != byteOf(b, j) && !owned(ranges, j)) {
      if (j - i < 16) {
        was += hexByte(byteOf(a, j));
        now += hexByte(byteOf(b, j));
      }
      ++j;
    }
    if (reported++ < 6)
      faults.push_back(name + " bytes " + std::to_string(i) + ".." + std::to_string(j - 1) + " (" +
                       (describe ? describe(i) : std::string("not a record file")) + ") changed: " + was + " -> " + now);
    i = j;
  }
  if (reported > 6) faults.push_back(name + ": " + std::to_string(reported - 6) + " more changed runs");
}

int holidayCountIn(const std::vector<std::uint8_t>& mlif) {
  const std::size_t at = kMainAt + MainRecord::Off::HolidayCount;
  if (at + 2 > mlif.size()) return 0;
  return std::clamp<int>(store::getInt16({mlif.data(), mlif.size()}, at), 0, HolidayRecord::Capacity);
}

bool isDataFile(const std::string& name) {
  for (const char* f : {"mlif.zkt", "backrecs.zkt", "sif.zkt", "bit.zkt", "ecf.zkt"})
    if (name == f) return true;
  return false;
}

}  // namespace

Tree snapshot(const std::string& root) {
  Tree t;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string rel = fs::path(it->path()).lexically_relative(root).string();
    Entry e;
    const fs::file_status st = it->symlink_status(ec);
    if (fs::is_symlink(st)) e.kind = 'l';
    else if (fs::is_directory(st)) e.kind = 'd';
    else if (fs::is_regular_file(st)) {
      std::ifstream in(it->path(), std::ios::binary);
      e.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
      e.kind = 'p';
    }
    t[rel] = std::move(e);
  }
  return t;
}

std::vector<Range> ownedMlif(std::int16_t code, int holidayCount) {
  std::vector<Range> r = {mainField("ChangeCode"), fieldRange(store::kLinkRecordFields, kLinkAt, "RequestCode"),
                          fieldRange(store::kLinkRecordFields, kLinkAt, "ReloadFlag")};
  const auto add = [&r](std::initializer_list<const char*> names) {
    for (const char* n : names) r.push_back(mainField(n));
  };
  switch (code) {
    case 501:
      add({"CdEnabled", "CdStatus", "CdTotal", "CdUsed", "CdActiveOnly", "CdExpenseMode", "CdResetOn", "CdResetTime",
           "CdResetPeriod", "CdResetDay", "CdResetDate", "CdCondOn"});
      break;
    case 502:
      for (const int base : {ExpenseCondition::LiveBase, ExpenseCondition::WorkBase})
        r.push_back(records(base + 1, base + ExpenseCondition::Slots, ExpenseCondition::Size));
      break;
    case 503: add({"CallStart", "IncChoice", "IncTime", "AddDialTime", "DialSeconds"}); break;
    case 504:
      add({"HolidayCount", "WeekOff"});
      if (holidayCount > 0)
        r.push_back(records(HolidayRecord::Base + 1, HolidayRecord::Base + holidayCount, HolidayRecord::Size));
      break;
    default: break;
  }
  return r;
}

std::vector<Range> ownedBit(std::int16_t code, std::size_t lengthBefore) {
  std::vector<Range> r;
  if (code != 505 && code != 506) return r;
  const std::size_t whole = lengthBefore / BookmarkRecord::Size;
  r.push_back({whole * BookmarkRecord::Size, static_cast<std::size_t>(-1)});
  if (code == 505)
    for (std::size_t n = 0; n < whole; ++n)
      r.push_back({n * BookmarkRecord::Size + BookmarkRecord::Off::BmDeleted,
                   n * BookmarkRecord::Size + BookmarkRecord::Off::BmDeleted + 2});
  return r;
}

void compareTrees(std::int16_t code, const std::string& dataDirBelowRoot, const Tree& before, const Tree& after,
                  std::vector<std::string>& faults) {
  const fs::path dataDir(dataDirBelowRoot);
  const auto inData = [&](const std::string& rel) {
    const fs::path p(rel);
    return p.parent_path() == dataDir || (dataDirBelowRoot == "." && !p.has_parent_path());
  };
  for (const auto& [rel, was] : before)
    if (!after.count(rel)) faults.push_back(rel + " was removed");
  for (const auto& [rel, now] : after) {
    const auto it = before.find(rel);
    const std::string name = fs::path(rel).filename().string();
    const bool dataFile = inData(rel) && isDataFile(name);
    if (it == before.end()) {
      if (!dataFile || now.kind != 'f') faults.push_back(rel + " was created");
      else if (name != "mlif.zkt" && name != "bit.zkt" && !now.bytes.empty())
        faults.push_back(rel + " was created with " + std::to_string(now.bytes.size()) + " bytes");
    }
    const Entry empty;
    const Entry& was = it == before.end() ? empty : it->second;
    if (it != before.end() && was.kind != now.kind) {
      faults.push_back(rel + " changed its kind");
      continue;
    }
    if (now.kind != 'f') continue;
    if (dataFile && name == "mlif.zkt") {
      checkBytes(rel, was.bytes, now.bytes, ownedMlif(code, holidayCountIn(now.bytes)), true, describeMlif, faults);
    } else if (dataFile && name == "bit.zkt") {
      checkBytes(rel, was.bytes, now.bytes, ownedBit(code, was.bytes.size()), true, describeBit, faults);
    } else if (it != before.end()) {
      checkBytes(rel, was.bytes, now.bytes, {}, false, nullptr, faults);
    }
  }
}

}  // namespace prandel::fuzz
