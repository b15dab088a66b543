// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/RecordChanges.h"

#include <algorithm>

#include "core/BookmarkFile.h"
#include "format/ReadableText.h"

namespace prandel::format {
namespace {

using Lines = std::vector<std::string>;

std::string names(const std::vector<const store::FieldInfo*>& fields) {
  std::string out;
  for (const auto* f : fields) out += (out.empty() ? "" : ", ") + fieldLabel(*f);
  return out;
}

Lines mainChanges(const store::MainRecord& before, const store::MainRecord& after) {
  Lines out;
  std::vector<bool> covered(store::MainRecord::Size, false);
  for (const auto& f : store::kMainRecordFields)
    std::fill_n(covered.begin() + static_cast<std::ptrdiff_t>(f.offset), f.width, true);
  for (const auto* f : changedFields(before.raw, after.raw, store::kMainRecordFields)) {
    // Reported with the change notice.
    if (f->offset == store::MainRecord::Off::ChangeCode) continue;
    out.push_back(fieldLabel(*f) + ": " + fieldValue(before.raw, *f) + " -> " + fieldValue(after.raw, *f));
  }
  std::size_t others = 0;
  for (std::size_t i = 0; i < store::MainRecord::Size; ++i) others += !covered[i] && before.raw[i] != after.raw[i];
  if (others) out.push_back(std::to_string(others) + " bytes outside the named fields");
  return out;
}

// A condition on one line: its description lines, joined.
std::string conditionLine(const store::ExpenseCondition& c, const store::MainRecord& main) {
  std::string out;
  for (const auto& l : conditionDescription(c, main)) out += (out.empty() ? "" : "; ") + l;
  return out;
}

Lines conditionChanges(const FolderRecords& before, const FolderRecords& after) {
  Lines out;
  const store::MainRecord& cur = after.main;
  const std::size_t n = std::min(before.live.size(), after.live.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto& b = before.live[i];
    const auto& a = after.live[i];
    const std::string slot = std::to_string(i + 1) + ": ";
    if (!b.InUse && a.InUse) {
      out.push_back("added " + slot + conditionLine(a, cur));
    } else if (b.InUse && !a.InUse) {
      out.push_back("removed " + slot + conditionLine(b, before.main));
    } else if (b.InUse && b.raw != a.raw) {
      out.push_back("changed " + slot + names(changedFields(b.raw, a.raw, store::kExpenseConditionFields)) +
                    "; now " + conditionLine(a, cur));
    }
  }
  return out;
}

// Holidays have no identity but their date: equal entries cancel out, then an
// entry whose date is still on both sides counts as renamed.
Lines holidayChanges(const FolderRecords& before, const FolderRecords& after) {
  Lines removed, added, out;
  for (const auto& h : before.holidays) removed.push_back(holidayLine(h));
  for (const auto& h : after.holidays) {
    const std::string line = holidayLine(h);
    if (auto it = std::find(removed.begin(), removed.end(), line); it != removed.end()) {
      removed.erase(it);
    } else {
      added.push_back(line);
    }
  }
  auto dateOf = [](const std::string& line) { return line.substr(0, line.find(' ')); };
  for (auto a = added.begin(); a != added.end();) {
    auto r = std::find_if(removed.begin(), removed.end(), [&](const std::string& l) { return dateOf(l) == dateOf(*a); });
    if (r == removed.end()) {
      ++a;
      continue;
    }
    out.push_back("changed " + *r + " -> " + *a);
    removed.erase(r);
    a = added.erase(a);
  }
  for (const auto& l : added) out.push_back("added " + l);
  for (const auto& l : removed) out.push_back("removed " + l);
  return out;
}

Lines bookmarkChanges(const FolderRecords& before, const FolderRecords& after) {
  Lines out;
  const std::size_t n = std::max(before.bookmarks.size(), after.bookmarks.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Bookmark* b = i < before.bookmarks.size() && !bookmarks::isDeleted(before.bookmarks[i].rec) ? &before.bookmarks[i] : nullptr;
    const Bookmark* a = i < after.bookmarks.size() && !bookmarks::isDeleted(after.bookmarks[i].rec) ? &after.bookmarks[i] : nullptr;
    if (!b && a) {
      out.push_back("added " + bookmarkLine(*a));
    } else if (b && !a) {
      out.push_back("removed " + bookmarkLine(*b));
    } else if (b && a) {
      const auto eb = b->rec.encoded();
      const auto ea = a->rec.encoded();
      if (eb != ea)
        out.push_back("changed " + names(changedFields(eb, ea, store::kBookmarkRecordFields)) + "; now " +
                      bookmarkLine(*a));
    }
  }
  return out;
}

}  // namespace

std::vector<ChangeGroup> recordChanges(const FolderRecords& before, const FolderRecords& after) {
  std::vector<ChangeGroup> groups = {
      {"Main settings", mainChanges(before.main, after.main)},
      {"Conditions", conditionChanges(before, after)},
      {"Holidays", holidayChanges(before, after)},
      {"Bookmarks", bookmarkChanges(before, after)},
  };
  std::erase_if(groups, [](const ChangeGroup& g) { return g.lines.empty(); });
  return groups;
}

}  // namespace prandel::format
