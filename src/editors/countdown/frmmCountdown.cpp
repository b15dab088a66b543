// SPDX-License-Identifier: GPL-3.0-or-later
// The countdown window's rules: the load, the enabling rules of the two tick boxes,
// the day lists of the reset period, the layout of the expense options, the spin
// arrows and arrow keys of the time boxes, and Reset, Discard and Cancel.
#include "editors/countdown/frmmCountdown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <cmath>
#include <optional>

#include "core/RecordUpdate.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/Greying.h"
#include "ui/Prompter.h"
#include "ui/SpinBar.h"
#include "ui/Twips.h"

namespace prandel {

using ui::EntryField;
using ui::setFieldUsable;

namespace {

constexpr int kConditions = 20;
constexpr double kMaxHours = 999;
// Durations the old runtime could split into hours and minutes (a Long of seconds);
// beyond that a stored value is not a duration this window can show.
constexpr double kLongLimit = 2147483647.0;

enum Period { EveryDay = 0, EveryWeek = 1, EveryMonth = 2, EveryYear = 3 };

const QString kCountdownRefused = QStringLiteral("Please set Countdown Time properly");
const QString kResetRefused = QStringLiteral("Please set Reset Countdown Time properly");

int daysInMonth(int monthIndex) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return monthIndex >= 0 && monthIndex < 12 ? kDays[monthIndex] : 0;
}

void selectIfPresent(QComboBox* c, long long index) {
  if (index >= 0 && index < c->count()) {
    const QSignalBlocker block(c);
    c->setCurrentIndex(static_cast<int>(index));
  }
}

}  // namespace

// --- Load -----------------------------------------------------------------------------

void frmmCountdown::Form_Load() {
  const store::MainRecord& m = ctx.state.MainRec;
  setTopmost(true);
  SpinFocus = false;
  SpinReady = false;

  for (std::size_t i = 0; i < 2; ++i) {
    HourScroll[i]->setValue(ui::SpinBar::kMiddle);
    MinScroll[i]->setValue(ui::SpinBar::kMiddle);
    LastHourValue[i] = ui::SpinBar::kMiddle;
    LastMinValue[i] = ui::SpinBar::kMiddle;
  }

  chkEnaCoundown->setChecked(m.CdEnabled);
  chkEnaCoundown_Click();

  // No option for a mode outside 0..2: the short layout, nothing selected.
  placeLayout(kShortLayout);
  if (m.CdExpenseMode >= 0 && m.CdExpenseMode < 3) {
    ExOpt[static_cast<std::size_t>(m.CdExpenseMode)]->setChecked(true);
    ExOpt_Click(m.CdExpenseMode);
  }

  {
    const QSignalBlocker block(lstShowOpt);
    lstShowOpt->clear();
    for (int n = 1; n <= kConditions; ++n) {
      auto* item = new QListWidgetItem(QStringLiteral("Condition ") + QString::number(n), lstShowOpt);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
  }

  // The remaining time, rounded up to whole minutes. Nothing left, or a value that
  // is no duration at all (NaN, infinite, beyond a Long of seconds), shows 00:00.
  const double remaining = m.CdTotal - m.CdUsed;
  if (remaining > 0 && remaining < kLongLimit) {
    double r = std::nearbyint(remaining);
    if (std::fmod(r, 60.0) != 0) r = (std::floor(r / 60.0) + 1) * 60.0;
    showTime(0, r);
  } else {
    showTime(0, 0);
  }
  CdRemaining = remaining;

  chkResetCDown->setChecked(m.CdResetOn);
  chkResetCDown_Click();
  Check1->setChecked(m.CdActiveOnly != 0);

  loadResetChoice();

  const double resetAt = m.CdResetTime;
  showTime(1, resetAt >= 0 && resetAt < kLongLimit ? std::nearbyint(resetAt) : 0);

  // Once more, now that every control holds its stored state.
  chkEnaCoundown_Click();
  chkResetCDown_Click();
  Combo1_Click();
  // With the reset switched off the refill rule does nothing, which would leave
  // the day lists empty and let a later save write "no selection" over the stored
  // day; the lists show the stored choice all the same, greyed.
  if (!chkResetCDown->isChecked() && Combo1->currentIndex() >= 0) fillDayLists(Combo1->currentIndex(), false);
  loadResetChoice();

  SpinReady = true;
  SpinFocus = true;

  {
    const QSignalBlocker block(lstShowOpt);
    for (int n = 1; n <= kConditions; ++n)
      lstShowOpt->item(n - 1)->setCheckState(m.CdCondOn[static_cast<std::size_t>(n)] ? Qt::Checked : Qt::Unchecked);
    lstShowOpt->setCurrentRow(0);
  }
}

// Hours and minutes of a whole number of seconds, in the "00" format; hours beyond
// what the box takes by typing still show all their digits.
void frmmCountdown::showTime(int i, double seconds) {
  const auto k = static_cast<std::size_t>(i);
  const Regional& reg = ctx.state.regional;
  const double hours = std::floor(seconds / 3600.0);
  const double minutes = std::fmod(std::floor(seconds / 60.0), 60.0);
  const QString h = reg.formatNumber(hours, QStringLiteral("00"));
  txtHour[k]->setMaxLength(std::max<int>(3, static_cast<int>(h.size())));
  txtHour[k]->setText(h);
  txtMin[k]->setText(reg.formatNumber(minutes, QStringLiteral("00")));
}

void frmmCountdown::loadResetChoice() {
  const store::MainRecord& m = ctx.state.MainRec;
  const std::int32_t period = m.CdResetPeriod;
  if (period >= EveryDay && period <= EveryYear) {
    selectIfPresent(Combo1, period);
    Combo1_Click();
  }
  if (period == EveryWeek || period == EveryMonth) {
    if (m.CdResetDay >= 0 && m.CdResetDay < Combo4->count()) {
      selectIfPresent(Combo4, m.CdResetDay);
      Combo4_Click();
    }
  } else if (period == EveryYear) {
    if (const auto date = Regional::datePart(m.CdResetDate)) {
      if (date->month() - 1 < Combo4->count()) {
        selectIfPresent(Combo4, date->month() - 1);
        Combo4_Click();
      }
      selectIfPresent(Combo2, date->day() - 1);
    }
  }
}

// --- Enabling rules -------------------------------------------------------------------

void frmmCountdown::chkEnaCoundown_Click() {
  const bool on = chkEnaCoundown->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{Label1[0], Label3, Label4, ExOpt[0], ExOpt[1], ExOpt[2],
                                                    HourScroll[0], MinScroll[0], Check1})
    w->setEnabled(on);
  for (QWidget* f : std::initializer_list<QWidget*>{txtHour[0], txtMin[0], lstShowOpt}) setFieldUsable(f, on);
}

void frmmCountdown::chkResetCDown_Click() {
  const bool on = chkResetCDown->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{Label1[1], Label1[2], Label1[3], Label5, Label2, HourScroll[1],
                                                    MinScroll[1]})
    w->setEnabled(on);
  for (QWidget* f : std::initializer_list<QWidget*>{txtHour[1], txtMin[1], Combo1, Combo2, Combo4})
    setFieldUsable(f, on);
  if (on) Combo1_Click();
}

// --- The day lists of the reset period -------------------------------------------------

void frmmCountdown::Combo1_Click() {
  if (!chkResetCDown->isChecked()) return;
  const int period = Combo1->currentIndex();
  if (period < 0) return;
  fillDayLists(period, true);
}

void frmmCountdown::fillDayLists(int period, bool usable) {
  const Regional& reg = ctx.state.regional;
  {
    const QSignalBlocker block(Combo4);
    Combo4->clear();
    QStringList items;
    if (period == EveryWeek) {
      for (int d = 5; d <= 11; ++d) items << reg.formatDate(Regional::fromDate(QDate(2003, 1, d)), QStringLiteral("dddd"));
    } else if (period == EveryMonth) {
      for (int d = 1; d <= 31; ++d) items << QString::number(d);
    } else if (period == EveryYear) {
      for (int mo = 1; mo <= 12; ++mo)
        items << reg.formatDate(Regional::fromDate(QDate(2003, mo, 1)), QStringLiteral("Mmm"));
    }
    Combo4->addItems(items);
    Combo4->setCurrentIndex(items.isEmpty() ? -1 : 0);
  }
  const int width = period == EveryDay || period == EveryWeek ? Combo1->width() : ui::twips(1100);
  Combo4->resize(width, Combo4->height());
  if (period == EveryDay) setFieldUsable(Combo4, false);
  else if (usable) setFieldUsable(Combo4, true);
  Combo2->setVisible(period == EveryYear);
  Combo4_Click();
}

// February has 28 days: a yearly reset day is a day of every year.
void frmmCountdown::Combo4_Click() {
  if (Combo1->currentIndex() != EveryYear) return;
  const int days = daysInMonth(Combo4->currentIndex());
  if (days == 0) return;
  const QSignalBlocker block(Combo2);
  Combo2->clear();
  for (int d = 1; d <= days; ++d) Combo2->addItem(QString::number(d));
  Combo2->setCurrentIndex(0);
}

// --- The layout of the expense options -------------------------------------------------

void frmmCountdown::ExOpt_Click(int index) {
  const bool listed = index == 2;
  placeLayout(listed ? kTallLayout : kShortLayout);
  lstShowOpt->setVisible(listed);
  Check1->setVisible(listed);
  lstShowOpt->setEnabled(listed && chkEnaCoundown->isChecked());
}

// --- Spin arrows and arrow keys ----------------------------------------------------------

// The upper arrow lowers a spin value and counts up. The value is never recentred,
// except at the ends of its range, where a further step would report nothing.
void frmmCountdown::HourScroll_Change(int i) {
  if (!SpinReady) return;
  const auto k = static_cast<std::size_t>(i);
  const int v = HourScroll[k]->value();
  const bool up = v <= LastHourValue[k];
  LastHourValue[k] = v;
  const Regional& reg = ctx.state.regional;
  if (const auto n = reg.parseNumber(txtHour[k]->text())) {
    if (up && *n < kMaxHours) txtHour[k]->setText(reg.formatNumber(*n + 1, QStringLiteral("00")));
    else if (!up && *n >= 1) txtHour[k]->setText(reg.formatNumber(*n - 1, QStringLiteral("00")));
  }
  if (v == ui::SpinBar::kMin || v == ui::SpinBar::kMax) {
    SpinReady = false;
    HourScroll[k]->setValue(ui::SpinBar::kMiddle);
    LastHourValue[k] = ui::SpinBar::kMiddle;
    SpinReady = true;
  }
  spinDone(txtHour[k]);
}

void frmmCountdown::MinScroll_Change(int i) {
  if (!SpinReady) return;
  const auto k = static_cast<std::size_t>(i);
  const int v = MinScroll[k]->value();
  const bool up = v <= LastMinValue[k];
  LastMinValue[k] = v;
  const Regional& reg = ctx.state.regional;
  if (const auto n = reg.parseNumber(txtMin[k]->text())) {
    double next;
    if (up) next = *n < 59 ? *n + 1 : 0;
    else next = *n < 1 ? 59 : *n - 1;
    txtMin[k]->setText(reg.formatNumber(next, QStringLiteral("00")));
  }
  if (v == ui::SpinBar::kMin || v == ui::SpinBar::kMax) {
    SpinReady = false;
    MinScroll[k]->setValue(ui::SpinBar::kMiddle);
    LastMinValue[k] = ui::SpinBar::kMiddle;
    SpinReady = true;
  }
  spinDone(txtMin[k]);
}

void frmmCountdown::spinDone(EntryField* field) {
  if (SpinFocus) field->setFocus();
  field->selectAll();
}

void frmmCountdown::txtHour_KeyDown(int i, int key) {
  const auto k = static_cast<std::size_t>(i);
  if (key == Qt::Key_Up) {
    HourScroll[k]->stepUp();
    txtHour[k]->setCursorPosition(1);
  } else if (key == Qt::Key_Down) {
    HourScroll[k]->stepDown();
    txtHour[k]->setCursorPosition(static_cast<int>(txtHour[k]->text().size()));
  }
}

void frmmCountdown::txtMin_KeyDown(int i, int key) {
  const auto k = static_cast<std::size_t>(i);
  if (key == Qt::Key_Up) MinScroll[k]->stepUp();
  else if (key == Qt::Key_Down) MinScroll[k]->stepDown();
}

// Minutes while typing: no more than 59, nothing that is not a number.
void frmmCountdown::txtMin_Change(int i) {
  EntryField* f = txtMin[static_cast<std::size_t>(i)];
  const QString text = f->text();
  if (text.isEmpty()) return;
  const auto n = ctx.state.regional.parseNumber(text);
  if (!n) {
    f->clear();
  } else if (*n > 59) {
    f->setText(text.left(1));
    f->setCursorPosition(1);
  }
}

// --- Reset, Discard, Cancel -------------------------------------------------------------

void frmmCountdown::Command1_Click(int index) {
  switch (index) {
    case 0: discard(); break;
    case 1: apply(); break;
    case 2: hideAndEnd(); break;
    default: break;
  }
}

std::optional<double> frmmCountdown::secondsOf(int i) const {
  const auto k = static_cast<std::size_t>(i);
  const Regional& reg = ctx.state.regional;
  const auto h = reg.parseNumber(txtHour[k]->text());
  const auto m = reg.parseNumber(txtMin[k]->text());
  if (!h || !m) return std::nullopt;
  return *h * 3600 + *m * 60;
}

// A time that is missing, not a number, or not longer than nothing is refused:
// both its boxes go back to "00" and the faulty one gets the focus.
bool frmmCountdown::checkTime(int i, const QString& message) {
  const auto k = static_cast<std::size_t>(i);
  const Regional& reg = ctx.state.regional;
  EntryField* faulty = nullptr;
  if (!reg.parseNumber(txtHour[k]->text())) faulty = txtHour[k];
  else if (!reg.parseNumber(txtMin[k]->text())) faulty = txtMin[k];
  else if (!(*secondsOf(i) > 0)) faulty = txtHour[k];
  if (!faulty) return true;
  txtHour[k]->setText(QStringLiteral("00"));
  txtMin[k]->setText(QStringLiteral("00"));
  faulty->setFocus();
  faulty->selectAll();
  ctx.prompter.message(this, message);
  return false;
}

void frmmCountdown::apply() {
  ui::EditorState& s = ctx.state;
  const Regional& reg = s.regional;
  const bool enabled = chkEnaCoundown->isChecked();
  if (enabled) {
    if (!checkTime(0, kCountdownRefused)) return;
    if (chkResetCDown->isChecked() && !checkTime(1, kResetRefused)) return;
  }

  // Switching the countdown off writes the record twice; the two writes are one save,
  // so that ChangeCode 1 is never seen with the countdown still on.
  SaveTransaction save(s.files, s.MainRec);
  if (!enabled) {
    save.coverMainRecord();
    if (!save.begin()) {
      hideAndEnd();
      return;
    }
  }
  // Read and written at once, so that the tracker's fields go back as it left them.
  updateMainRecord(s.files, s.MainRec, [&](store::MainRecord& m) {
    if (enabled) {
      for (std::size_t k = 0; k < ExOpt.size(); ++k) {
        if (ExOpt[k]->isChecked()) {
          m.CdExpenseMode = static_cast<std::int16_t>(k);
          break;
        }
      }
      if (ExOpt[2]->isChecked()) {
        for (int n = 1; n <= kConditions; ++n)
          m.CdCondOn[static_cast<std::size_t>(n)] = lstShowOpt->item(n - 1)->checkState() == Qt::Checked;
      }
      // Only a changed length restarts the countdown.
      const double total = *secondsOf(0);
      if (total != CdRemaining) {
        m.CdTotal = total;
        m.CdUsed = 0;
      }
      m.CdEnabled = true;
    }

    m.CdResetOn = chkResetCDown->isChecked();
    m.CdActiveOnly = Check1->isChecked() ? 1 : 0;
    // Not checked here: an empty or garbled box counts as 0.
    m.CdResetTime = reg.parseNumber(txtHour[1]->text()).value_or(0) * 3600 +
                    reg.parseNumber(txtMin[1]->text()).value_or(0) * 60;
    // A list without a selection keeps what is stored rather than writing "none".
    const int period = Combo1->currentIndex();
    if (period >= 0) m.CdResetPeriod = period;
    if (period == EveryWeek || period == EveryMonth) {
      if (Combo4->currentIndex() >= 0) m.CdResetDay = Combo4->currentIndex();
    } else if (period == EveryYear) {
      if (Combo4->currentIndex() >= 0 && Combo2->currentIndex() >= 0)
        m.CdResetDate = Regional::fromDate(QDate(2001, Combo4->currentIndex() + 1, Combo2->currentIndex() + 1));
    }
    m.ChangeCode = 1;
  });
  if (!enabled) {
    updateMainRecord(s.files, s.MainRec, [](store::MainRecord& m) { m.CdEnabled = false; });
    save.commit();
  }
  hideAndEnd();
}

void frmmCountdown::discard() {
  updateMainRecord(ctx.state.files, ctx.state.MainRec, [](store::MainRecord& m) {
    m.CdEnabled = false;
    m.CdTotal = 0;
    m.CdUsed = 0;
    m.CdStatus = 0;
    m.ChangeCode = 2;
  });
  hideAndEnd();
}

}  // namespace prandel
