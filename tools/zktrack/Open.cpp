// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <iostream>
#include <memory>

#include "Zktrack.h"
#include "core/EditorRequests.h"
#include "core/TrackerLink.h"
#include "store/RecordIO.h"

namespace zktrack {
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

Lines conditionChanges(const Records& before, const Records& after) {
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
Lines holidayChanges(const Records& before, const Records& after) {
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

Lines bookmarkChanges(const Records& before, const Records& after) {
  Lines out;
  const std::size_t n = std::max(before.bookmarks.size(), after.bookmarks.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Bookmark* b = i < before.bookmarks.size() && !isDeleted(before.bookmarks[i].rec) ? &before.bookmarks[i] : nullptr;
    const Bookmark* a = i < after.bookmarks.size() && !isDeleted(after.bookmarks[i].rec) ? &after.bookmarks[i] : nullptr;
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

void printChanges(const Records& before, const Records& after) {
  const std::pair<const char*, Lines> groups[] = {
      {"Main settings", mainChanges(before.main, after.main)},
      {"Conditions", conditionChanges(before, after)},
      {"Holidays", holidayChanges(before, after)},
      {"Bookmarks", bookmarkChanges(before, after)},
  };
  bool any = false;
  for (const auto& [title, lines] : groups) {
    if (lines.empty()) continue;
    any = true;
    std::cout << title << ":\n";
    for (const auto& l : lines) std::cout << "  " << l << "\n";
  }
  if (!any) std::cout << "No settings changed.\n";
}

}  // namespace

int runOpen(const std::string& programDir, const prandel::DataFolder& dataFolder, std::int16_t requestCode) {
  const std::string prandel = programDir + "/prandel";
  if (::access(prandel.c_str(), X_OK) != 0) {
    std::cerr << "zktrack: no prandel to start beside zktrack (" << prandel << ")\n";
    return 1;
  }
  const std::string& folder = dataFolder.path;
  std::cout << dataFolderLine(dataFolder) << std::endl;
  if (!makeDataFolder(folder)) return 1;
  Records before;
  {
    store::DataFiles files;
    files.openAll(folder);
    before = readAll(files);
    if (!prandel::writeRequest(files, requestCode)) {
      std::cerr << "zktrack: cannot write the request into " << folder << "/mlif.zkt\n";
      return 1;
    }
  }  // closed while prandel runs: it may replace the files

  std::string why;
  const int rc = runWithoutClockRight(prandel, why);
  if (!why.empty()) std::cerr << "zktrack: " << why << "\n";

  store::DataFiles files;
  files.openAll(folder);
  // Read, changed and written as one, as the tracker does.
  const store::DataFiles::FolderLock lock(files);
  store::LinkRecord link;
  store::LinkRecIO(files, link, false);
  if (rc < 0) {
    // A request left behind would open the editor at the next start of prandel.
    link.RequestCode = 0;
    store::LinkRecIO(files, link, true);
    return 1;
  }
  const Records after = readAll(files);
  std::cout << "prandel ended with exit code " << rc << ".\n"
            << "Change notice: ChangeCode " << int{after.main.ChangeCode} << ", ReloadFlag " << after.link.ReloadFlag
            << "\n";
  if (after.link.RequestCode != 0)
    std::cout << "prandel left the request code " << after.link.RequestCode << " in the link record; cleared.\n";
  printChanges(before, after);

  // As the tracker does once it has reloaded: each record read, changed and written.
  const prandel::Acknowledgement done = prandel::acknowledgeReload(files, link);
  if (!done.linkCleared) std::cerr << "zktrack: cannot clear the link record\n";
  if (!done.changeCleared) std::cerr << "zktrack: cannot clear ChangeCode\n";
  return rc;
}

void addOpenCommand(CLI::App& app, Context& ctx) {
  auto editor = std::make_shared<std::string>();
  std::vector<std::string> names;
  for (const auto& e : prandel::kEditors) names.emplace_back(e.name);
  auto* cmd = app.add_subcommand("open", "Open one of prandel's editors, as the tracker does");
  cmd->footer(
      "Writes the request into the link record of prandel's data folder, starts the\n"
      "prandel beside zktrack without the right to set the clock, waits for it, reports\n"
      "what changed and clears the change notice as the tracker does once it has\n"
      "reloaded. Works from any folder; the data folder is always prandel's (no --data).");
  cmd->add_option("EDITOR", *editor, "The editor to open")->required()->check(CLI::IsMember(names));
  cmd->callback([&ctx, editor] {
    if (const prandel::EditorInfo* e = prandel::editorNamed(*editor))
      ctx.exitCode = runOpen(ctx.programDir, prandel::locateDataFolder(ctx.programDir), e->code);
  });
}

}  // namespace zktrack
