// SPDX-License-Identifier: GPL-3.0-or-later
// The entry fields of the editing panel: key filters, limits, tidying on leaving,
// Escape in the date and time boxes, and the hour and minute spin controls.
#include <QComboBox>
#include <QKeyEvent>

#include "expense/frmmExpense.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/SharedProcs.h"
#include "ui/SpinBar.h"

namespace prandel {

using ui::EntryField;

namespace {
constexpr int kNoFilter = 0;
const char* const kLimit = "typingLimit";

int typingLimit(const EntryField* f) { return f->property(kLimit).toInt(); }
}  // namespace

void frmmExpense::setupEntryFields() {
  struct FieldSetup {
    EntryField* field;
    int limit;
    bool right;
    int kind;
  };
  const FieldSetup setups[] = {
      {Text1, 8, true, keykind::Amount2},        {txtExpIniAmt, 8, true, keykind::Amount2},
      {txtISPAmt, 8, true, keykind::Amount2},    {txtInitTime, 8, true, keykind::Duration},
      {txtDiffCall, 8, true, keykind::Duration}, {tPeriod[0], 12, false, keykind::Date},
      {tPeriod[1], 12, false, keykind::Date},    {txtTime[0], 10, true, keykind::TimeAmPm},
      {txtTime[1], 10, true, keykind::TimeAmPm}, {advTime[0], 10, true, keykind::TimeAmPm},
      {advTime[1], 10, true, keykind::TimeAmPm}, {txtHour, 4, false, keykind::Whole},
      {txtMin, 3, false, keykind::Whole},        {txtVal, 16, true, kNoFilter},
  };
  for (const FieldSetup& sp : setups) {
    EntryField* f = sp.field;
    f->setProperty(kLimit, sp.limit);
    f->setMaxLength(sp.limit);
    f->setAlignRight(sp.right);
    if (sp.kind != kNoFilter) {
      const int kind = sp.kind;
      // Only the time-of-day and amount filters look at the text.
      const bool withText = kind == keykind::TimeAmPm || kind == keykind::Amount2;
      f->setKeyFilter([this, kind, withText](int key, const QString& text) {
        return KeyFilter(ctx.state, key, kind, withText ? text : QString());
      });
    }
    connect(f, &QLineEdit::textChanged, this, [f] {
      f->setMaxLength(std::max(typingLimit(f), static_cast<int>(f->text().size())));
    });
  }
  txtVal->setSelectAllOnFocus(false);

  // Tidy on leaving: only when the focus moved on inside the window, not when the
  // window itself lost it (a message box, another program).
  auto onLeave = [this](EntryField* f, void (frmmExpense::*tidy)(EntryField*)) {
    connect(f, &EntryField::focusLeft, this, [this, f, tidy] {
      if (focusWidget() != f) (this->*tidy)(f);
    });
  };
  for (EntryField* f : {Text1, txtExpIniAmt, txtISPAmt}) onLeave(f, &frmmExpense::tidyAmount);
  for (EntryField* f : tPeriod) onLeave(f, &frmmExpense::tidyDate);
  for (EntryField* f : {txtTime[0], txtTime[1], advTime[0], advTime[1]}) onLeave(f, &frmmExpense::tidyTimeOfDay);

  for (EntryField* f : {tPeriod[0], tPeriod[1], txtTime[0], txtTime[1], txtHour, txtMin}) f->installEventFilter(this);
  connect(HourScroll, &ui::SpinBar::valueChanged, this, &frmmExpense::HourScroll_Change);
  connect(MinScroll, &ui::SpinBar::valueChanged, this, &frmmExpense::MinScroll_Change);
  connect(txtMin, &QLineEdit::textChanged, this, &frmmExpense::txtMin_Change);
}

void frmmExpense::setFieldText(EntryField* f, const QString& text) {
  if (f->text() == text) return;
  f->setMaxLength(std::max(typingLimit(f), static_cast<int>(text.size())));
  f->setText(text);
}

void frmmExpense::tidyAmount(EntryField* f) {
  ui::EditorState& s = ctx.state;
  setFieldText(f, DecimalToComma(s, FormatDNum(s, f->text())));
}

void frmmExpense::tidyDate(EntryField* f) {
  if (const auto d = ctx.state.regional.parseDate(f->text()))
    setFieldText(f, ctx.state.regional.formatDate(*d, QStringLiteral("Short Date")));
}

void frmmExpense::tidyTimeOfDay(EntryField* f) {
  const Regional& r = ctx.state.regional;
  QString text = f->text();
  if (const auto t = r.parseDateTime(text)) text = r.formatDate(*t, QStringLiteral("hh:mm"));
  if (text == QStringLiteral("24:00") || text == QStringLiteral("24:0")) text = QStringLiteral("0:00");
  setFieldText(f, text);
}

// Enter presses the default button without moving the focus; the field in which it
// was pressed is tidied as if the focus had left it, so that Enter and a click save
// the same thing.
void frmmExpense::tidyFocusedField() {
  auto* f = qobject_cast<EntryField*>(focusWidget());
  if (!f) return;
  if (f == Text1 || f == txtExpIniAmt || f == txtISPAmt) tidyAmount(f);
  else if (f == tPeriod[0] || f == tPeriod[1]) tidyDate(f);
  else if (f == txtTime[0] || f == txtTime[1] || f == advTime[0] || f == advTime[1]) tidyTimeOfDay(f);
}

bool frmmExpense::fieldKeyFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress;
  if (!press && event->type() != QEvent::KeyRelease) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const bool datebox = watched == tPeriod[0] || watched == tPeriod[1];
  const bool timebox = watched == txtTime[0] || watched == txtTime[1];
  const bool spinbox = watched == txtHour || watched == txtMin;

  // Escape belongs to the box here, not to the window's cancel button.
  if ((datebox || timebox) && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
    key->accept();
    if (!press && !key->isAutoRepeat()) {
      if (datebox) escapeInDateBox();
      else escapeInTimeBox();
    }
    return true;
  }
  if (spinbox && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
    key->accept();
    ui::SpinBar* bar = watched == txtHour ? HourScroll : MinScroll;
    auto* box = static_cast<EntryField*>(watched);
    if (press) bar->setValue(bar->value() + (key->key() == Qt::Key_Down ? 1 : -1));
    else if (!key->isAutoRepeat()) box->selectAll();
    return true;
  }
  return false;
}

void frmmExpense::escapeInDateBox() {
  pick(Combo1, 0);
  setFieldText(tPeriod[0], {});
  setFieldText(tPeriod[1], {});
  Combo1->setFocus();
}

void frmmExpense::escapeInTimeBox() {
  pick(Combo2, 0);
  Combo2->setFocus();
}

void frmmExpense::resetSpins() {
  SpinReady = false;
  HourScroll->setValue(ui::SpinBar::kMiddle);
  MinScroll->setValue(ui::SpinBar::kMiddle);
  LastHourValue = ui::SpinBar::kMiddle;
  LastMinValue = ui::SpinBar::kMiddle;
}

void frmmExpense::HourScroll_Change(int value) {
  if (!SpinReady) return;
  const Regional& r = ctx.state.regional;
  if (const auto n = r.parseNumber(txtHour->text())) {
    if (value > LastHourValue) {
      if (*n >= 1) setFieldText(txtHour, r.formatNumber(*n - 1, QStringLiteral("00")));
    } else if (*n < 9999) {
      setFieldText(txtHour, r.formatNumber(*n + 1, QStringLiteral("00")));
    }
  }
  txtHour->selectAll();
  LastHourValue = value;
}

void frmmExpense::MinScroll_Change(int value) {
  if (!SpinReady) return;
  const Regional& r = ctx.state.regional;
  if (const auto n = r.parseNumber(txtMin->text())) {
    QString next;
    if (value > LastMinValue) next = *n >= 1 ? r.formatNumber(*n - 1, QStringLiteral("00")) : QStringLiteral("59");
    else next = *n < 59 ? r.formatNumber(*n + 1, QStringLiteral("00")) : QStringLiteral("00");
    setFieldText(txtMin, next);
  }
  txtMin->selectAll();
  LastMinValue = value;
}

void frmmExpense::txtMin_Change() {
  const QString text = txtMin->text();
  const auto n = ctx.state.regional.parseNumber(text);
  if (!n) {
    if (!text.isEmpty()) setFieldText(txtMin, {});
  } else if (*n > 59) {
    setFieldText(txtMin, text.left(1));
    txtMin->setCursorPosition(static_cast<int>(txtMin->text().size()));
  }
}

}  // namespace prandel
