// SPDX-License-Identifier: GPL-3.0-or-later
// Every editor window as a screen reader takes it in: each control a user can reach
// says what it is, and no two enabled controls of a window say the same. Each
// window is looked at in the states that show its other controls.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "editors/bookmarks/frmmBookmark.h"
#include "editors/bookmarks/frmmIEBook.h"
#include "editors/callsettings/frmSetCall.h"
#include "editors/countdown/frmmCountdown.h"
#include "editors/holidays/frmmHolidays.h"
#include "expense/frmmExpGraph.h"
#include "expense/frmmExpense.h"
#include "support/WindowKit.h"
#include "ui/SpinBar.h"

namespace prandel {
namespace {

// What a screen reader says a control is: its accessible name; for a combo box,
// whose name on Linux is its current item, the labels that it is labelled by, less
// the frames around it, which screen readers skip.
QString spoken(QWidget* w) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
  if (!iface) return {};
  if (iface->role() != QAccessible::ComboBox) return iface->text(QAccessible::Name);
  QStringList names;
  for (const auto& [label, relation] : iface->relations(QAccessible::Label)) {
    auto* labelWidget = qobject_cast<QWidget*>(label->object());
    if (labelWidget && labelWidget->isAncestorOf(w)) continue;
    const QString name = label->text(QAccessible::Name);
    if (!name.trimmed().isEmpty()) names << name;
  }
  return names.join(QLatin1Char(' '));
}

bool insideCompound(const QWidget* w, const QWidget* window) {
  for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
    if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractItemView*>(p)) return true;
  return false;
}

// The faults a screen reader user meets in the window as it is shown now.
QStringList faults(QWidget* window) {
  QStringList out;
  std::map<std::pair<int, QString>, QStringList> said;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || insideCompound(w, window)) continue;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface) continue;
    const QString id = w->objectName();
    const QString name = iface->text(QAccessible::Name);
    if (!name.isEmpty() && name.trimmed().isEmpty()) out << id + QStringLiteral(": blank name");
    const bool control = w->focusPolicy() != Qt::NoFocus || qobject_cast<ui::SpinBar*>(w);
    if (!control) continue;
    const QString what = spoken(w);
    if (what.trimmed().isEmpty()) {
      out << id + QStringLiteral(": says nothing of what it is");
    } else if (w->isEnabled() && w->focusPolicy() != Qt::NoFocus) {
      said[{iface->role(), what}] << id;
    }
  }
  for (const auto& [key, ids] : said)
    if (ids.size() > 1) out << ids.join(QStringLiteral(", ")) + QStringLiteral(": all said as \"") + key.second + QLatin1Char('"');
  return out;
}

using test::choose;
void tick(QAbstractButton* b) {
  if (!b->isChecked()) b->click();
}

// A data folder with a few favourites; the windows read zeros where it has no records.
struct Kit : test::WindowKit {
  Kit() {
    s.ProgramDir = dir.path();
    s.ShortDateFmt = QStringLiteral("M/d/yyyy");
    fake.favorites.path = dir.file("Favorites");
    fake.dialup.names = {"Home ISP", "Work"};
    QDir().mkpath(QString::fromStdString(dir.file("Favorites/News")));
    for (const char* f : {"Favorites/Web mail.url", "Favorites/News/Morning paper.url"})
      std::ofstream(dir.file(f)) << "[InternetShortcut]\r\nURL=http://example.org/" << f << "\r\n";
    s.OpenDataFiles();
  }
};

using Open = std::function<QWidget*(Kit&, std::vector<std::unique_ptr<QWidget>>&)>;
using Setup = std::function<void(QWidget*)>;

template <class Window>
Open opens() {
  return [](Kit& kit, std::vector<std::unique_ptr<QWidget>>& keep) {
    keep.push_back(kit.show<Window>());
    return keep.back().get();
  };
}

// The expense window with its editing panel open for a new condition, set up further by `more`.
Setup newCondition(const std::function<void(frmmExpense&)>& more = {}) {
  return [more](QWidget* window) {
    auto& w = static_cast<frmmExpense&>(*window);
    w.CmdBut[6]->click();
    if (more) more(w);
  };
}

struct WindowState {
  const char* what;
  Open open;
  Setup setup;
  // Controls by object name, and what a screen reader must say of them.
  std::vector<std::pair<const char*, const char*>> says;
};

const std::vector<WindowState>& windowStates() {
  static const std::vector<WindowState> states = {
      {"expense list", opens<frmmExpense>(), {}, {{"lstCondtions", "Conditions"}}},
      {"expense panel, a period between two times",
       opens<frmmExpense>(),
       newCondition([](frmmExpense& w) {
         choose(w.Combo1, 3);
         choose(w.Combo2, 1);
       }),
       {{"Text1", "Amount"},
        {"Combo3", "Amount charged"},
        {"Combo1", "Period"},
        {"tPeriod(0)", "Period from"},
        {"tPeriod(1)", "Period to"},
        {"Combo2", "Time"},
        {"txtTime(0)", "Time from"},
        {"txtTime(1)", "Time to"},
        {"cmbCallTime", "Call Time"},
        {"lstCondtions", "Conditions"}}},
      {"expense panel, per MB",
       opens<frmmExpense>(),
       newCondition([](frmmExpense& w) { choose(w.Combo3, 2); }),
       {{"Combo3", "Amount charged"}, {"ExOpt(1)", "Download Only"}}},
      {"expense panel, a weekday, every option ticked",
       opens<frmmExpense>(),
       newCondition([](frmmExpense& w) {
         choose(w.Combo1, 1);
         choose(w.cmbCallTime, 1);
         for (QCheckBox* c : {w.chkEnaISPC, w.chkEnaExpIni, w.chkIntTime, w.chkEnaExpAll, w.chkCondtion}) tick(c);
         choose(w.Combo5, 3);
       }),
       {{"Combo4", "Weekday or month"},
        {"txtDiffCall", "Specify"},
        {"txtISPAmt", "ISP Charge Per Hour"},
        {"txtExpIniAmt", "Initial Call Amount"},
        {"cmbExpCon", "Connection"},
        {"Combo5", "Condition counter"},
        {"Combo6", "Condition comparison"},
        {"txtVal", "Condition value"}}},
      {"expense panel, a weekly period, a condition on time",
       opens<frmmExpense>(),
       newCondition([](frmmExpense& w) {
         choose(w.Combo1, 7);
         tick(w.chkCondtion);
         choose(w.Combo5, 0);
       }),
       {{"cmdDay(0)", "Weekly period from day"},
        {"advTime(0)", "Weekly period from time"},
        {"cmdDay(1)", "Weekly period to day"},
        {"advTime(1)", "Weekly period to time"},
        {"txtHour", "Condition hours"},
        {"txtMin", "Condition minutes"},
        {"HourScroll", "Condition hours arrows"}}},
      {"condition map",
       [](Kit& kit, std::vector<std::unique_ptr<QWidget>>& keep) -> QWidget* {
         keep.push_back(kit.show<frmmExpense>());
         auto& w = static_cast<frmmExpense&>(*keep.back());
         w.CmdBut[7]->click();
         return w.graphWindow();
       },
       {},
       {{"cmbExpCon", "Valid Connection :"}}},
      {"countdown, conditions to enable, yearly reset",
       opens<frmmCountdown>(),
       [](QWidget* window) {
         auto& w = static_cast<frmmCountdown&>(*window);
         tick(w.chkEnaCoundown);
         tick(w.chkResetCDown);
         w.ExOpt[2]->click();
         choose(w.Combo1, 3);
       },
       {{"Frame1", "Enable Countdown"},
        {"Frame3", "Reset Countdown"},
        {"txtHour(0)", "Countdown hours"},
        {"txtMin(0)", "Countdown minutes"},
        {"txtHour(1)", "Reset hours"},
        {"txtMin(1)", "Reset minutes"},
        {"MinScroll(1)", "Reset minutes arrows"},
        {"lstShowOpt", "Expense conditions to enable"},
        {"Combo1", "Reset Period"},
        {"Combo4", "Reset On"},
        {"Combo2", "Reset on day"}}},
      {"call settings, dialling time added, an increment of its own",
       opens<frmSetCall>(),
       [](QWidget* window) {
         auto& w = static_cast<frmSetCall&>(*window);
         choose(w.Combo1, 0);
         tick(w.Check1);
         choose(w.Combo4, 1);
       },
       {{"Combo1", "Start Counting Call"},
        {"Combo4", "Increments After Every"},
        {"txtTime", "Specified increment"},
        {"Combo2", "Dialing seconds"}}},
      {"holidays", opens<frmmHolidays>(), {}, {{"tHoli(0)", "Date"}, {"tHoli(1)", "Description"}, {"lstHolidays", "Holidays"}}},
      {"bookmarks", opens<frmmBookmark>(), {}, {{"tHoli(0)", "Description"}, {"tHoli(1)", "Link"}, {"lstHolidays", "Bookmarks"}}},
      {"favourites import", opens<frmmIEBook>(), {}, {{"lstBMark", "Favourites to import"}}},
  };
  return states;
}

class AccessibleNames : public ::testing::TestWithParam<std::size_t> {};

TEST_P(AccessibleNames, EveryControlSaysWhatItIsAndNoTwoSayTheSame) {
  const WindowState& state = windowStates()[GetParam()];
  SCOPED_TRACE(state.what);
  Kit kit;
  std::vector<std::unique_ptr<QWidget>> keep;
  QWidget* window = state.open(kit, keep);
  ASSERT_NE(window, nullptr);
  if (state.setup) state.setup(window);
  QApplication::processEvents();

  EXPECT_EQ(faults(window).join(QLatin1Char('\n')).toStdString(), "");
  for (const auto& [objectName, wanted] : state.says) {
    auto* w = window->findChild<QWidget*>(QString::fromLatin1(objectName));
    ASSERT_NE(w, nullptr) << objectName;
    EXPECT_TRUE(w->isVisibleTo(window)) << objectName;
    EXPECT_EQ(spoken(w).toStdString(), wanted) << objectName;
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, AccessibleNames, ::testing::Range<std::size_t>(0, windowStates().size()));

// The weekly period's two day lists both start on Sunday: a screen reader's name for
// each is what it is for, not the day it shows.
TEST(AccessibleNames, TheWeeklyPeriodDaysAreNamedNotCalledByTheirDay) {
  Kit kit;
  std::vector<std::unique_ptr<QWidget>> keep;
  QWidget* window = opens<frmmExpense>()(kit, keep);
  newCondition([](frmmExpense& w) { choose(w.Combo1, 7); })(window);
  auto& w = static_cast<frmmExpense&>(*window);
  const std::pair<QComboBox*, const char*> days[] = {{w.cmdDay[0], "Weekly period from day"},
                                                    {w.cmdDay[1], "Weekly period to day"}};
  for (const auto& [combo, name] : days) {
    ASSERT_TRUE(combo->isVisibleTo(window));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(combo);
    EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), name);
    EXPECT_EQ(iface->text(QAccessible::Value), combo->currentText());
  }
}

}  // namespace
}  // namespace prandel
