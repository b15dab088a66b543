// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "app/Editors.h"
#include "app/Startup.h"
#include "app/frmzEnd.h"
#include "common/Session.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
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
};

TEST(TakeRequest, ReadsClearsAndWritesBackAtOnce) {
  for (std::int16_t code : {0, 501, 504, 506, 507, -1, 32767}) {
    Folder f(code);
    test::FakePlatform fake;
    Session s(fake.services());
    s.ProgramDir = f.dir.path();
    EXPECT_EQ(takeRequest(s), code);
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
  Session s(fake.services());
  s.ProgramDir = dir.path();
  EXPECT_EQ(takeRequest(s), 0);
  // The link record is written back as zeros into the new empty file.
  EXPECT_EQ(readFileBytes(dir.file("mlif.zkt")), std::vector<std::uint8_t>(8192 + 359, 0));

  test::writeFileText(dir.file("Zelkora.ini"), "DataDir=" + dir.file("plain-file") + "\n");
  test::writeFileText(dir.file("plain-file"), "x");
  Session t(fake.services());
  t.ProgramDir = dir.path();
  EXPECT_EQ(takeRequest(t), 0);
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
    Session s(fake.services());
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
  Session s(fake.services());
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
  Session s(fake.services());
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
  Session s(fake.services());
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

}  // namespace
}  // namespace prandel
