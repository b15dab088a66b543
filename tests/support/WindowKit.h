// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window tests share: the editor state on a fresh data folder with fake
// platform services and scripted message boxes, and the window opened on it, shown
// and active, in the app's look.
#include <QComboBox>
#include <QLocale>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "core/RecordFolder.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "ui/EditorState.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel::test {

// What a user does to a list: the item chosen, and the rules run as on a real change
// (setCurrentIndex alone signals only a change of index, and never "activated").
inline void choose(QComboBox* c, int index) {
  c->setCurrentIndex(index);
  emit c->activated(index);
}

struct WindowKit {
  TempDir dir;
  FakePlatform fake;
  RecordFolder folder;
  ui::EditorState s;
  ScriptedPrompter prompter;
  int ends = 0;  // times a window took the way out
  ui::WindowContext ctx;

  explicit WindowKit(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
      : folder(fake.services(), locale), s(folder), ctx{s, prompter, [this] { ++ends; }} {
    s.DataPath = dir.path();
  }
  WindowKit(const WindowKit&) = delete;
  WindowKit& operator=(const WindowKit&) = delete;

  std::vector<std::uint8_t> bytes(const std::string& name = "mlif.zkt") const { return readFileBytes(dir.file(name)); }

  // MainRecord as the file holds it now.
  store::MainRecord storedMain() const {
    store::MainRecord m;
    store::readRecord(s.files, store::MainRecord::Channel, store::MainRecord::RecordNo, m);
    return m;
  }

  template <class Window>
  std::unique_ptr<Window> show() {
    ui::applyAppStyle();
    auto w = std::make_unique<Window>(ctx);
    w->show();
    w->activateWindow();
    (void)QTest::qWaitForWindowActive(w.get());
    return w;
  }
};

}  // namespace prandel::test
