// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/Editors.h"
#include "app/Prandel.h"
#include "app/Startup.h"
#include "app/frmzEnd.h"
#include "ui/EditorState.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/StateKit.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "ui/FormBase.h"

namespace prandel {
namespace {

using test::readFileBytes;
using test::TempDir;

// A data folder whose mlif.zkt holds a request and other bytes that must survive.
struct Folder {
  TempDir dir;
  std::vector<std::uint8_t> before;
  explicit Folder(std::int16_t request, std::uint8_t changeCode = 0) {
    before.assign(40000, 0);
    for (std::size_t i = 0; i < before.size(); ++i) before[i] = static_cast<std::uint8_t>(i * 31 + 7);
    before[8192] = static_cast<std::uint8_t>(request & 0xFF);
    before[8193] = static_cast<std::uint8_t>((request >> 8) & 0xFF);
    before[8192 + 244] = 0;
    before[8192 + 245] = 0;
    before[1024 + 156] = changeCode;
    test::writeFileBytes(dir.file("mlif.zkt"), before);
  }
  std::vector<std::uint8_t> now() const { return readFileBytes(dir.file("mlif.zkt")); }
  std::int16_t request() const {
    const auto b = now();
    return static_cast<std::int16_t>(b[8192] | b[8193] << 8);
  }
  void ask(std::int16_t code) {
    auto b = now();
    b[8192] = static_cast<std::uint8_t>(code & 0xFF);
    b[8193] = static_cast<std::uint8_t>((code >> 8) & 0xFF);
    test::writeFileBytes(dir.file("mlif.zkt"), b);
  }
};

struct RunResult {
  int rc = -1;
  std::string err;  // what went to standard error
};

// The whole program in this process, on fake services, with its standard error.
RunResult runIn(const std::string& programDir, test::FakePlatform& fake, bool display = true,
          std::function<void(ui::FormBase*)> onShown = {}) {
  RunOptions options;
  options.programDir = programDir;
  options.haveDisplay = [display] { return display; };
  options.onEditorShown = std::move(onShown);
  char name[] = "prandel";
  char* argv[] = {name, nullptr};
  RunResult r;
  testing::internal::CaptureStderr();
  r.rc = runPrandel(1, argv, fake.services(), options);
  r.err = testing::internal::GetCapturedStderr();
  return r;
}

TEST(TakeRequest, ReadsClearsAndWritesBackAtOnce) {
  for (std::int16_t code : {0, 501, 504, 506, 507, -1, 32767}) {
    Folder f(code);
    test::FakePlatform fake;
    test::StandaloneState s(fake.services());
    s.ProgramDir = f.dir.path();
    const TakenRequest taken = takeRequest(s);
    EXPECT_EQ(taken.code, code);
    EXPECT_TRUE(taken.readable);
    EXPECT_EQ(s.DataPath, f.dir.path());
    EXPECT_EQ(s.ShortDateFmt, QStringLiteral("M/d/yyyy"));
    const auto changed = test::changedOffsets(f.before, f.now());
    std::vector<std::size_t> want;
    if (code & 0xFF) want.push_back(8192);
    if (code & 0xFF00) want.push_back(8193);
    EXPECT_EQ(changed, want) << code;
  }
}

TEST(TakeRequest, EmptyOrUnreadableFolderGivesNoRequest) {
  TempDir dir;
  test::FakePlatform fake;
  test::StandaloneState s(fake.services());
  s.ProgramDir = dir.path();
  EXPECT_EQ(takeRequest(s).code, 0);
  // The link record is written back as zeros into the new empty file.
  EXPECT_EQ(readFileBytes(dir.file("mlif.zkt")), std::vector<std::uint8_t>(8192 + 359, 0));

  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=" + dir.file("plain-file") + "\n");
  test::writeFileText(dir.file("plain-file"), "x");
  test::StandaloneState t(fake.services());
  t.ProgramDir = dir.path();
  const TakenRequest unread = takeRequest(t);
  EXPECT_EQ(unread.code, 0);
  EXPECT_FALSE(unread.readable);
}

TEST(EditorForCode, OnlyTheSixEditors) {
  const std::pair<int, const char*> known[] = {{501, "Countdown"},        {502, "Zelkora Expense"},
                                               {503, "Call Settings"},    {504, "Holidays"},
                                               {505, "Zelkora Bookmarks"}, {506, "Import Bookmarks"}};
  for (const auto& [code, title] : known) {
    const auto e = editorForCode(static_cast<std::int16_t>(code));
    ASSERT_TRUE(e.has_value()) << code;
    EXPECT_EQ(e->title, QString::fromLatin1(title));
  }
  for (int code : {0, 500, 507, -501, 1000}) EXPECT_FALSE(editorForCode(static_cast<std::int16_t>(code))) << code;
}

TEST(SignalTracker, OnlyAPendingChangeSetsTheFlagAndStepsTheClock) {
  for (std::uint8_t changeCode : {0, 3}) {
    Folder f(0, changeCode);
    test::FakePlatform fake;
    test::StandaloneState s(fake.services());
    s.ProgramDir = f.dir.path();
    takeRequest(s);
    signalTrackerAndClose(s);
    EXPECT_FALSE(s.files.isOpen(store::channel::Main));
    const auto after = f.now();
    if (changeCode == 0) {
      EXPECT_TRUE(fake.clock.advanced.empty());
      EXPECT_EQ(after, f.before);
    } else {
      ASSERT_EQ(fake.clock.advanced.size(), 1u);
      EXPECT_EQ(fake.clock.advanced[0], std::chrono::seconds(60));
      EXPECT_EQ(after[8192 + 244], 0xFF);
      EXPECT_EQ(after[8192 + 245], 0xFF);
      EXPECT_EQ(test::changedOffsets(f.before, after), (std::vector<std::size_t>{8192 + 244, 8192 + 245}));
    }
  }
}

TEST(SignalTracker, ClockThatCannotBeSetIsSilent) {
  Folder f(0, 6);
  test::FakePlatform fake;
  fake.clock.allowSet = false;
  test::StandaloneState s(fake.services());
  s.ProgramDir = f.dir.path();
  takeRequest(s);
  signalTrackerAndClose(s);
  EXPECT_EQ(fake.clock.advanced.size(), 1u);
  EXPECT_FALSE(s.files.isOpen(store::channel::Main));
  EXPECT_EQ(f.now()[8192 + 244], 0xFF);
}

// A window that records its unload, as an editor would.
class RecordingForm final : public ui::FormBase {
 public:
  RecordingForm(ui::WindowContext& ctx, int& unloads) : FormBase(ctx, QStringLiteral("Probe")), unloads_(unloads) {}

 protected:
  void Form_Unload() override {
    ++unloads_;
    FormBase::Form_Unload();
  }

 private:
  int& unloads_;
};

TEST(frmzEnd, UnloadsWindowsSignalsAndQuitsInTwoSteps) {
  Folder f(0, 1);
  test::FakePlatform fake;
  test::StandaloneState s(fake.services());
  s.ProgramDir = f.dir.path();
  takeRequest(s);
  bool quit = false;
  frmzEnd end(s, [&] { quit = true; });
  test::ScriptedPrompter prompter;
  ui::WindowContext ctx{s, prompter, [&] { end.show(); }};
  int unloads = 0;
  RecordingForm hidden(ctx, unloads);  // an editor already hidden after its OK
  RecordingForm open(ctx, unloads);
  open.show();

  end.show();
  end.show();  // a second show changes nothing
  EXPECT_EQ(unloads, 0);
  QTRY_VERIFY_WITH_TIMEOUT(quit, 2000);
  EXPECT_EQ(unloads, 2);
  EXPECT_TRUE(hidden.isUnloaded());
  EXPECT_FALSE(open.isVisible());
  EXPECT_FALSE(s.files.isOpen(store::channel::Main));
  EXPECT_EQ(fake.clock.advanced.size(), 1u);
  EXPECT_EQ(f.now()[8192 + 244], 0xFF);
}

TEST(Editors, EachCodeOpensItsTitledWindow) {
  test::FakePlatform fake;
  test::StandaloneState s(fake.services());
  test::ScriptedPrompter prompter;
  int ends = 0;
  ui::WindowContext ctx{s, prompter, [&] { ++ends; }};
  for (int code = 501; code <= 506; ++code) {
    std::unique_ptr<ui::FormBase> w(createEditor(static_cast<std::int16_t>(code), ctx));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), editorForCode(static_cast<std::int16_t>(code))->title);
  }
  EXPECT_EQ(createEditor(507, ctx), nullptr);
}

// Every start that opens no editor says why in one line, and the request is taken
// in every case but an unreadable link record.
TEST(Run, EveryEndWithoutAnEditorSaysWhy) {
  const struct {
    const char* name;
    std::int16_t request;
    bool heldElsewhere;
    bool display;
    std::string line;
    int rc;
    std::string lockRefused = {};
  } cases[] = {
      {"no request", 0, false, true, "prandel: no request pending (code 0)", 0},
      {"not an editor", 507, false, true, "prandel: no editor for request 507", 0},
      {"negative", -1, false, false, "prandel: no editor for request -1", 0},
      {"already open", 504, true, true, "prandel: request 504: \"Holidays\" is already open in another copy", 0},
      {"no display", 502, false, false,
       "prandel: no display to open request 502 (\"Zelkora Expense\") on; start it in a desktop session or under "
       "xvfb-run",
       1},
      {"no lock can be taken", 504, false, true,
       "prandel: request 504 (\"Holidays\") not opened: the lock folder /tmp/prandel-0 is a symbolic link, not a folder of "
       "its own",
       1, "the lock folder /tmp/prandel-0 is a symbolic link, not a folder of its own"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder f(c.request, 3);
    test::FakePlatform fake;
    if (c.heldElsewhere) fake.windows.held.insert("Holidays");
    fake.windows.refuse = c.lockRefused;
    const RunResult r = runIn(f.dir.path(), fake, c.display);
    EXPECT_EQ(r.err, c.line + "\n");
    EXPECT_EQ(r.rc, c.rc);
    EXPECT_EQ(f.request(), 0);
    // Only a request that named an editor ends through the closing steps, which tell
    // the tracker of the pending change; no claim is left behind.
    const bool closingSteps = c.request >= 501 && c.request <= 506;
    EXPECT_EQ(f.now()[8192 + 244], closingSteps ? 0xFF : f.before[8192 + 244]);
    EXPECT_EQ(fake.windows.held.size(), c.heldElsewhere ? 1u : 0u);
  }
}

TEST(Run, AnUnreadableRecordFileIsNamedWithItsReason) {
  const struct {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* reason;
  } cases[] = {
      {"a folder", [](const std::string& p) { ::mkdir(p.c_str(), 0755); }, "Is a directory"},
      {"a pipe", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); }, "not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    c.make(dir.file("mlif.zkt"));
    test::FakePlatform fake;
    const RunResult r = runIn(dir.path(), fake);
    EXPECT_EQ(r.err, "prandel: cannot read " + dir.file("mlif.zkt") + ": " + c.reason + "\n");
    EXPECT_EQ(r.rc, 0);
  }
}

TEST(Run, NoDataFolderIsNamedAndNotMade) {
  TempDir dir;
  const std::string missing = dir.file("missing");
  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=" + missing + "\n");
  test::FakePlatform fake;
  const RunResult r = runIn(dir.path(), fake);
  EXPECT_EQ(r.err, "prandel: no data folder " + missing + " yet; nothing to do\n");
  EXPECT_EQ(r.rc, 0);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// The windows say which menu entry they belong to (on Wayland their app id): the one
// of the package, org.zelkora.Prandel.desktop.
TEST(Run, TheWindowsNameTheirMenuEntry) {
  Folder f(503);
  test::FakePlatform fake;
  QString entry;
  const RunResult r = runIn(f.dir.path(), fake, true, [&](ui::FormBase* w) {
    entry = QGuiApplication::desktopFileName();
    QTimer::singleShot(0, w, [w] { w->cancelButton()->click(); });
  });
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(entry.toStdString(), "org.zelkora.Prandel");
}

// A copy started for the same editor as soon as the window is gone opens its own
// window: the title is given up when the editor hands over to the closing window,
// not when the process ends some 300 ms later.
TEST(Run, TheTitleIsGivenUpWhenTheEditorIsDone) {
  Folder f(504);
  test::FakePlatform fake;
  bool checked = false;
  const RunResult r = runIn(f.dir.path(), fake, true, [&](ui::FormBase* w) {
    QTimer::singleShot(0, w, [&, w] {
      // The title, and the holiday list of this folder, which the window's OK writes whole.
      EXPECT_EQ(fake.windows.held,
                (std::set<std::string>{"Holidays", heldRecordsName(HeldRecords::Holidays, f.dir.path())}));
      w->cancelButton()->click();
      EXPECT_FALSE(w->isVisible());
      EXPECT_TRUE(fake.windows.held.empty());

      f.ask(504);
      test::StandaloneState next(fake.services());
      next.ProgramDir = f.dir.path();
      const Dispatch d = dispatchRequest(next, takeRequest(next), true);
      ASSERT_TRUE(d.editor.has_value());
      EXPECT_EQ(d.editor->title, QStringLiteral("Holidays"));
      EXPECT_EQ(d.why, "");
      checked = true;
    });
  });
  EXPECT_TRUE(checked);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.err.find("prandel:"), std::string::npos) << r.err;
  EXPECT_TRUE(fake.windows.held.empty());
}

TEST(Run, AJournalThatBlocksSavesIsNamed) {
  Folder f(0);
  const std::string journal = f.dir.file("mlif.zkt-journal");
  std::filesystem::create_directory(journal);
  test::FakePlatform fake;
  const RunResult r = runIn(f.dir.path(), fake);
  EXPECT_EQ(r.rc, 0);
  EXPECT_NE(r.err.find("prandel: " + journal +
                       " is a folder, not a journal of ours; nothing can be saved to mlif.zkt until it is dealt with"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(f.now(), f.before);
}

}  // namespace
}  // namespace prandel
