// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "core/AppPath.h"
#include "core/TrackerLink.h"
#include "store/LinkRecord.h"
#include "ui/EditorState.h"

namespace prandel {
namespace {

// Appended piece by piece: GCC 12 takes "..." + std::string&& for an overlapping copy (-Wrestrict).
std::string quotedTitle(const EditorRequest& e) {
  std::string quoted(1, '"');
  quoted += e.title.toStdString();
  quoted += '"';
  return quoted;
}

// Why the record file at path cannot be read, asked again of the system: the store
// only says that it failed.
std::string unreadableReason(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::strerror(errno);
  std::string why = "read error";
  struct stat st {};
  std::uint8_t byte = 0;
  if (::fstat(fd, &st) != 0) why = std::strerror(errno);
  else if (S_ISDIR(st.st_mode)) why = std::strerror(EISDIR);
  else if (!S_ISREG(st.st_mode)) why = "not a regular file";
  else if (::pread(fd, &byte, 1, 0) < 0) why = std::strerror(errno);
  ::close(fd);
  return why;
}

}  // namespace

std::optional<EditorRequest> editorForCode(std::int16_t code) {
  const EditorInfo* e = editorOfCode(code);
  if (!e) return std::nullopt;
  return EditorRequest{e->editor, e->code, QString::fromLatin1(e->title), e->holds};
}

platform::IntlValues intlValuesOf(const Regional& r) {
  return {r.shortDatePattern().toStdString(), r.decimalSeparator().toStdString(), r.dateSeparator().toStdString(),
          r.timeSeparator().toStdString()};
}

bool dataFolderExists(const ui::EditorState& s) {
  struct stat st {};
  return !s.DataPath.empty() && ::stat(s.DataPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TakenRequest takeRequest(ui::EditorState& s) {
  s.DataPath = SetAppPath(s.ProgramDir);
  TakenRequest taken;
  // No folder, no request: opening the files would create it and an empty record
  // file that looks like data to everyone after.
  taken.folder = dataFolderExists(s);
  if (!taken.folder) return taken;
  s.OpenDataFiles();
  // Taken and cleared in one go, before anything else is read. A record that could
  // not be read is not written: its code reads as 0 and nothing was taken.
  const store::DataFiles::FolderLock lock(s.files);
  const auto code = lock.held() ? prandel::takeRequest(s.files, s.LinkRec) : std::nullopt;
  taken.readable = code.has_value();
  taken.code = code.value_or(0);
  s.MainRecIO(false);
  s.ShortDateFmt = s.GetIntl(QStringLiteral("sShortDate"));
  return taken;
}

Dispatch dispatchRequest(ui::EditorState& s, const TakenRequest& taken, bool haveDisplay) {
  Dispatch d;
  const auto request = editorForCode(taken.code);
  if (!request) {
    s.CloseAllFiles();
    if (!taken.folder) {
      d.why = "prandel: no data folder " + (s.DataPath.empty() ? std::string("(no home folder)") : s.DataPath) +
              " yet; nothing to do";
    } else if (!taken.readable) {
      const std::string path = s.files.pathOf(store::LinkRecord::Channel);
      // A file error ends the run as any request without an editor does (exit 0):
      // the tracker's files are never reported as faults of this program.
      d.why = "prandel: cannot read " + path + ": " + unreadableReason(path);
    } else if (taken.code == 0) {
      d.why = "prandel: no request pending (code 0)";
    } else {
      d.why = "prandel: no editor for request " + std::to_string(taken.code);
    }
    return d;
  }
  const std::string number = std::to_string(request->code);
  // Single instance: the editor's title is held while its window is open.
  if (s.platform.windows) {
    platform::ClaimResult claimed = s.platform.windows->claim(request->title.toStdString());
    d.claim = std::move(claimed.claim);
    if (!d.claim && !claimed.refused.empty()) {
      // Without its lock an editor could be opened twice; the folder is someone
      // else's to mend, not this program's.
      signalTrackerAndClose(s);
      d.why = "prandel: request " + number + " (" + quotedTitle(*request) + ") not opened: " + claimed.refused;
      d.exitCode = 1;
      return d;
    }
    if (!d.claim) {
      s.hWndFound = 1;
      signalTrackerAndClose(s);
      d.why = "prandel: request " + number + ": " + quotedTitle(*request) + " is already open in another copy";
      return d;
    }
    if (request->holds) {
      d.recordsClaim = claimRecords(*s.platform.windows, *request->holds, s.DataPath).claim;
      if (!d.recordsClaim) {
        d.claim.reset();
        signalTrackerAndClose(s);
        d.why = "prandel: request " + number + ": another program is writing the " +
                (*request->holds == HeldRecords::Conditions ? "conditions" : "holidays") + " of " + s.DataPath +
                " (an import); try again";
        return d;
      }
    }
  }
  if (!haveDisplay) {
    d.claim.reset();
    signalTrackerAndClose(s);
    d.why = "prandel: no display to open request " + number + " (" + quotedTitle(*request) +
            ") on; start it in a desktop session or under xvfb-run";
    d.exitCode = 1;
    return d;
  }
  d.editor = request;
  return d;
}

std::string windowNotUsable(const EditorRequest& e, const QString& why) {
  return "prandel: request " + std::to_string(e.code) + " (" + quotedTitle(e) + "): " + why.toStdString();
}

std::string windowNotOpened(const EditorRequest& e) {
  return "prandel: the window for request " + std::to_string(e.code) + " (" + quotedTitle(e) +
         ") could not be opened";
}

void signalTrackerAndClose(ui::EditorState& s) {
  if (s.MainRec.ChangeCode != 0) {
    requestReload(s.files, s.LinkRec);
    // The whole date and time move on, so that near midnight the date changes too
    // instead of the clock jumping back almost a day.
    if (s.platform.clock) s.platform.clock->advance(std::chrono::seconds(60));
  }
  s.CloseAllFiles();
}

}  // namespace prandel
