// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the editing panel as tables: a sequence of user changes, then the
// expected state of the controls it concerns.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ExpenseTestKit.h"
#include "ui/Greying.h"
#include "ui/SpinBar.h"
#include "ui/Twips.h"

namespace prandel {
namespace {

using test::choose;
using test::ExpenseKit;

// "shown" or "hidden", then "off" when disabled, "grey" when painted in the
// window's colour, and "ticked".
std::string state(const QWidget* w) {
  std::string s = w->isVisibleTo(w->window()) ? "shown" : "hidden";
  if (!w->isEnabled()) s += " off";
  if (ui::isFieldGreyed(w)) s += " grey";
  if (auto* b = qobject_cast<const QAbstractButton*>(w); b && b->isCheckable() && b->isChecked()) s += " ticked";
  return s;
}

struct Step {
  const char* control;  // a list: choose item `value`; a tick box: click it
  int value = 0;
};

struct Expect {
  const char* control;
  const char* state;
  const char* text = nullptr;  // the text of an entry field or a frame's caption
};

struct Case {
  const char* name;
  std::vector<Step> steps;
  std::vector<Expect> expect;
};

void apply(frmmExpense& w, const Step& st) {
  QWidget* c = w.findChild<QWidget*>(QString::fromLatin1(st.control));
  ASSERT_NE(c, nullptr) << st.control;
  if (auto* combo = qobject_cast<QComboBox*>(c)) choose(combo, st.value);
  else if (auto* box = qobject_cast<QAbstractButton*>(c)) test::click(box);
}

void check(frmmExpense& w, const Case& c) {
  for (const Expect& e : c.expect) {
    QWidget* ctl = w.findChild<QWidget*>(QString::fromLatin1(e.control));
    ASSERT_NE(ctl, nullptr) << e.control;
    EXPECT_EQ(state(ctl), e.state) << c.name << ": " << e.control;
    if (!e.text) continue;
    QString text;
    if (auto* f = qobject_cast<QLineEdit*>(ctl)) text = f->text();
    else if (auto* g = qobject_cast<QGroupBox*>(ctl)) text = g->title();
    else if (auto* b = qobject_cast<QComboBox*>(ctl)) text = b->currentText();
    EXPECT_EQ(text, QString::fromUtf8(e.text)) << c.name << ": " << e.control;
  }
}

TEST(ExpenseRules, PeriodTimeAndFilterKinds) {
  const Case cases[] = {
      {"new condition",
       {},
       {{"Combo4", "hidden"}, {"tPeriod(0)", "shown off grey", ""}, {"Label3", "shown"},
        {"Frame2", "shown"}, {"Frame5", "hidden"}, {"chkEnaHoliday", "hidden"}, {"txtTime(0)", "shown off grey", ""},
        {"txtTime(1)", "shown off grey"}, {"Frame1", "shown", "&Period"}}},
      {"period with dates",
       {{"Combo1", 3}},
       {{"tPeriod(0)", "shown", "3/5/2024"}, {"tPeriod(1)", "shown", "3/5/2024"}, {"Label3", "shown"},
        {"Combo4", "hidden"}, {"Frame1", "shown", "&Period (M/d/yyyy)"}}},
      {"back to every day",
       {{"Combo1", 3}, {"Combo1", 0}},
       {{"tPeriod(0)", "shown off grey", ""}, {"tPeriod(1)", "shown off grey", ""}, {"Frame1", "shown", "&Period"}}},
      {"weekday",
       {{"Combo1", 1}},
       {{"Combo4", "shown", "Sunday"}, {"tPeriod(0)", "hidden off grey"}, {"Label3", "hidden"}}},
      {"month", {{"Combo1", 2}}, {{"Combo4", "shown", "January"}, {"tPeriod(1)", "hidden off grey"}}},
      {"weekly period",
       {{"Combo1", 7}},
       {{"Frame5", "shown"}, {"Frame2", "hidden"}, {"chkEnaHoliday", "shown"}, {"tPeriod(0)", "hidden off grey"},
        {"Label3", "hidden"}, {"Combo4", "hidden"}, {"cmdDay(0)", "shown", "Sun"}}},
      {"weekly then every day",
       {{"Combo1", 7}, {"Combo1", 0}},
       {{"Frame2", "shown"}, {"Frame5", "hidden"}, {"chkEnaHoliday", "hidden"}, {"tPeriod(0)", "shown off grey"},
        {"Label3", "shown"}}},
      {"holidays, weekdays, weekends", {{"Combo1", 4}, {"Combo1", 5}, {"Combo1", 6}}, {{"tPeriod(0)", "shown off grey"}}},
      {"between", {{"Combo2", 1}}, {{"txtTime(0)", "shown", ""}, {"txtTime(1)", "shown", ""}}},
      {"before", {{"Combo2", 2}}, {{"txtTime(0)", "shown"}, {"txtTime(1)", "hidden"}}},
      {"after then whole day",
       {{"Combo2", 3}, {"Combo2", 0}},
       {{"txtTime(0)", "shown off grey"}, {"txtTime(1)", "shown off grey"}}},
      {"connection filter", {{"chkEnaExpAll"}}, {{"cmbExpCon", "shown"}}},
      {"connection filter off", {{"chkEnaExpAll"}, {"chkEnaExpAll"}}, {{"cmbExpCon", "shown off grey"}}},
      {"no condition filter",
       {},
       {{"Combo5", "shown off grey"}, {"Combo6", "shown off grey"}, {"txtVal", "shown off grey"},
        {"HourScroll", "hidden off"}, {"Label11", "hidden"}}},
      {"filter on countdown",
       {{"chkCondtion"}, {"Combo5", 7}},
       {{"Combo5", "shown"}, {"Combo6", "shown"}, {"txtHour", "shown", "00"}, {"txtMin", "shown", "00"},
        {"HourScroll", "shown"}, {"MinScroll", "shown"}, {"Label10", "shown"}, {"Label11", "shown"},
        {"txtVal", "hidden"}}},
      {"filter on calls",
       {{"chkCondtion"}, {"Combo5", 7}, {"Combo5", 5}},
       {{"txtVal", "shown"}, {"txtHour", "hidden"}, {"MinScroll", "hidden"}, {"Label11", "hidden"}}},
      {"filter off again",
       {{"chkCondtion"}, {"Combo5", 0}, {"chkCondtion"}},
       {{"txtHour", "shown off grey"}, {"txtMin", "shown off grey"}, {"HourScroll", "shown off"},
        {"Label10", "shown off"}, {"Combo5", "shown off grey"}}},
  };
  for (const Case& c : cases) {
    ExpenseKit k;
    auto w = k.open();
    w->CmdBut[6]->click();
    for (const Step& st : c.steps) apply(*w, st);
    check(*w, c);
  }
}

TEST(ExpenseRules, AmountKinds) {
  const Case cases[] = {
      {"per hour",
       {},
       {{"frExp(2)", "shown off"}, {"frExp(3)", "hidden"}, {"frExp(1)", "shown"}, {"chkEnaExpIni", "shown"},
        {"chkIntTime", "shown off"}, {"txtInitTime", "shown off grey"}, {"Label2", "shown off"},
        {"cmbCallTime", "shown off grey", "Default Call Time"}, {"txtDiffCall", "shown off grey", "00:00:30"},
        {"chkEnaISPC", "shown off"}, {"txtISPAmt", "shown off grey"}}},
      {"per hour, initial cost allows the initial time",
       {{"chkEnaExpIni"}},
       {{"txtExpIniAmt", "shown"}, {"Label7", "shown"}, {"chkIntTime", "shown"}}},
      {"per hour, initial time",
       {{"chkEnaExpIni"}, {"chkIntTime"}},
       {{"txtInitTime", "shown"}, {"Label2", "shown"}}},
      {"per hour, unticking the initial cost unticks the initial time",
       {{"chkEnaExpIni"}, {"chkIntTime"}, {"chkEnaExpIni"}},
       {{"chkIntTime", "shown off"}, {"txtInitTime", "shown off grey"}, {"txtExpIniAmt", "shown off grey"}}},
      {"per call",
       {{"Combo3", 1}},
       {{"frExp(2)", "shown"}, {"cmbCallTime", "shown"}, {"Label8", "shown"}, {"txtDiffCall", "shown off grey"},
        {"Label6", "shown off"}, {"Label1", "shown off"}, {"chkEnaISPC", "shown"}, {"txtISPAmt", "shown off grey"},
        {"chkIntTime", "shown"}, {"chkEnaExpIni", "shown"}}},
      {"per call, custom call time",
       {{"Combo3", 1}, {"cmbCallTime", 1}},
       {{"txtDiffCall", "shown", ""}, {"Label6", "shown"}, {"Label1", "shown"}}},
      {"per call, ISP charges",
       {{"Combo3", 1}, {"chkEnaISPC"}},
       {{"txtISPAmt", "shown"}, {"Label5", "shown"}}},
      {"per call, initial time without initial cost",
       {{"Combo3", 1}, {"chkIntTime"}},
       {{"txtInitTime", "shown"}, {"txtExpIniAmt", "shown off grey"}}},
      {"per call back to per hour keeps the ISP tick",
       {{"Combo3", 1}, {"cmbCallTime", 1}, {"chkEnaISPC"}, {"Combo3", 0}},
       {{"frExp(2)", "shown off"}, {"cmbCallTime", "shown off grey", "Default Call Time"},
        {"txtDiffCall", "shown off grey", "00:00:30"}, {"chkEnaISPC", "shown off ticked"}, {"txtISPAmt", "shown off grey"}}},
      {"per call with both initial settings, then per hour greys the initial time",
       {{"Combo3", 1}, {"chkEnaExpIni"}, {"chkIntTime"}, {"Combo3", 0}},
       {{"chkIntTime", "shown ticked"}, {"txtInitTime", "shown off grey"}, {"Label2", "shown off"}}},
      {"... until its box is ticked again",
       {{"Combo3", 1}, {"chkEnaExpIni"}, {"chkIntTime"}, {"Combo3", 0}, {"chkIntTime"}, {"chkIntTime"}},
       {{"chkIntTime", "shown ticked"}, {"txtInitTime", "shown"}, {"Label2", "shown"}}},
      {"per call with the initial time only, then per hour",
       {{"Combo3", 1}, {"chkIntTime"}, {"Combo3", 0}},
       {{"chkIntTime", "shown off"}, {"txtInitTime", "shown off grey"}, {"Label2", "shown off"}}},
      {"per MB",
       {{"Combo3", 1}, {"chkEnaExpIni"}, {"Combo3", 2}},
       {{"frExp(3)", "shown"}, {"frExp(2)", "hidden"}, {"frExp(1)", "shown off"}, {"chkEnaExpIni", "shown off ticked"},
        {"txtExpIniAmt", "shown off grey"}, {"txtInitTime", "shown off grey"}, {"Label7", "shown off"}}},
      {"only at once keeps the call time group as it was",
       {{"Combo3", 1}, {"Combo3", 3}},
       {{"frExp(2)", "shown"}, {"frExp(3)", "hidden"}, {"cmbCallTime", "shown"}, {"frExp(1)", "shown off"}}},
  };
  for (const Case& c : cases) {
    ExpenseKit k;
    k.setMain([](store::MainRecord& m) { m.IncTime = test::hm(0, 0, 30); });
    k.s.MainRecIO(false);
    auto w = k.open();
    w->CmdBut[6]->click();
    for (const Step& st : c.steps) apply(*w, st);
    check(*w, c);
  }
}

TEST(ExpenseRules, TheShortAndWideTimeBox) {
  ExpenseKit k;
  auto w = k.open();
  w->CmdBut[6]->click();
  const struct {
    int kind;
    int width;
  } rows[] = {{2, 1750}, {1, 690}, {3, 1750}, {0, 690}};
  for (const auto& r : rows) {
    w->txtTime[0]->setText(QStringLiteral("12:00"));
    choose(w->Combo2, r.kind);
    EXPECT_EQ(w->txtTime[0]->geometry(), ui::twipsRect(105, 620, r.width, 285)) << r.kind;
    EXPECT_EQ(w->txtTime[0]->text(), QString()) << r.kind;
  }
}

TEST(ExpenseRules, ThePeriodListIsExtendedOnce) {
  ExpenseKit k;
  for (int i = 1; i <= 3; ++i) k.put(ConditionSet::Live, i, test::condition());
  auto w = k.open();
  k.prompter.answers = {true, true};
  w->CmdBut[2]->click();
  w->CmdBut[2]->click();
  EXPECT_EQ(w->lstCondtions->count(), 1);
  EXPECT_EQ(w->Combo1->count(), 8);
  EXPECT_EQ(w->cmdDay[0]->count(), 7);
}

}  // namespace
}  // namespace prandel
