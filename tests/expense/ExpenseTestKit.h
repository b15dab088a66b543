// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the expense tests share: a session on a fresh data folder with fake platform
// services and scripted message boxes, conditions placed in the live or working
// slots, and the window opened on it.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QLocale>
#include <QTest>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ui/EditorState.h"
#include "core/ConditionStore.h"
#include "expense/frmmExpense.h"
#include "store/ExpenseCondition.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/WindowKit.h"
#include "ui/EntryField.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel::test {

using store::ExpenseCondition;

inline QLocale enUS() { return QLocale(QLocale::English, QLocale::UnitedStates); }
inline QLocale deDE() { return QLocale(QLocale::German, QLocale::Germany); }

// One in-use condition, shaped by a function.
inline ExpenseCondition condition(const std::function<void(ExpenseCondition&)>& shape = {}) {
  ExpenseCondition c;
  c.InUse = true;
  if (shape) shape(c);
  return c;
}

// A time of day as the runtime holds it.
inline double hm(int h, int m, int s = 0) { return (h * 3600 + m * 60 + s) / 86400.0; }

struct ExpenseKit : WindowKit {

  explicit ExpenseKit(const QLocale& locale = enUS()) : WindowKit(locale) {
    s.ProgramDir = dir.path();
    s.ShortDateFmt = QStringLiteral("M/d/yyyy");
    s.OpenDataFiles();
  }

  std::string mlif() const { return dir.file("mlif.zkt"); }

  void put(ConditionSet set, int slot, const ExpenseCondition& c) {
    store::writeRecord(s.files, ExpenseCondition::Channel, recordOfSlot(set, slot), c);
  }
  ExpenseCondition get(ConditionSet set, int slot) const {
    ExpenseCondition c;
    store::readRecord(s.files, ExpenseCondition::Channel, recordOfSlot(set, slot), c);
    return c;
  }
  std::array<std::uint8_t, 128> raw(ConditionSet set, int slot) const { return get(set, slot).encoded(); }

  void setMain(const std::function<void(store::MainRecord&)>& change) {
    s.MainRecIO(false);
    change(s.MainRec);
    s.MainRecIO(true);
  }

  // The window, shown and active, in the app's look.
  std::unique_ptr<frmmExpense> open() { return show<frmmExpense>(); }
};

// What a user does to a tick box: the rules run as on a real change.
inline void click(QAbstractButton* b) { b->click(); }

}  // namespace prandel::test
