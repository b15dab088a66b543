// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/holidays/frmmHolidays.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <vector>

#include "core/HolidayList.h"
#include "store/Codec.h"
#include "ui/AccessibleNames.h"
#include "ui/Controls.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/Prompter.h"
#include "ui/SharedProcs.h"
#include "ui/Twips.h"

namespace prandel {

using ui::placeTwips;

namespace {

using ui::indexed;
using ui::make;

QString withoutTrailingBlanks(QString s) {
  while (s.endsWith(QLatin1Char(' '))) s.chop(1);
  return s;
}

// Blank as the old runtime's Trim saw it: nothing but spaces.
bool isBlank(const QString& s) {
  return std::all_of(s.begin(), s.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

// The calendar day of a date value; a value that is no valid date has none.
std::optional<QDate> dayOf(double d) { return Regional::datePart(d); }

const QString kDots = QStringLiteral(".......");
// What an entry shows in place of a date that the file holds but no calendar has.
const QString kNoDate = QStringLiteral("\?\?-\?\?\?-\?\?\?\?");

}  // namespace

frmmHolidays::frmmHolidays(ui::WindowContext& context, QWidget* parent)
    : FormBase(context, QStringLiteral("Holidays"), parent) {
  setClientSizeTwips(6300, 5100);
  buildControls();
  centreOnScreen();
  Form_Load();
}

void frmmHolidays::buildControls() {
  Label1 = make<QLabel>(this, QStringLiteral("Label1"));
  Label1->setText(QStringLiteral("Dat&e"));
  placeTwips(Label1, 120, 150, 1500, 225);

  tHoli[0] = make<ui::EntryField>(this, indexed("tHoli", 0));
  tHoli[0]->setMaxLength(12);
  placeTwips(tHoli[0], 120, 390, 1650, 315);
  Label1->setBuddy(tHoli[0]);
  // Digits and date separators only: "/" always, and the locale's own separator,
  // which the format hint beside the box shows.
  tHoli[0]->setKeyFilter([this](int key, const QString& text) {
    return KeyFilter(ctx.state, key, keykind::Date, text);
  });

  Label3 = make<QLabel>(this, QStringLiteral("Label3"));
  Label3->setText(QStringLiteral("(M/d/yy)"));
  placeTwips(Label3, 1860, 435, 2900, 225);

  Label2 = make<QLabel>(this, QStringLiteral("Label2"));
  Label2->setText(QStringLiteral("Desc&ription"));
  placeTwips(Label2, 120, 810, 2250, 225);

  tHoli[1] = make<ui::EntryField>(this, indexed("tHoli", 1));
  tHoli[1]->setMaxLength(40);
  placeTwips(tHoli[1], 120, 1050, 4650, 315);
  Label2->setBuddy(tHoli[1]);

  const char* editCaptions[] = {"&Add", "&Delete"};
  const int editTops[] = {1035, 1500};
  for (std::size_t i = 0; i < Command2.size(); ++i) {
    Command2[i] = make<QPushButton>(this, indexed("Command2", i));
    Command2[i]->setText(QString::fromLatin1(editCaptions[i]));
    placeTwips(Command2[i], 4950, editTops[i], 1230, 345);
    connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(static_cast<int>(i)); });
  }

  lstHolidays = make<QListWidget>(this, QStringLiteral("lstHolidays"));
  lstHolidays->setSelectionMode(QAbstractItemView::SingleSelection);
  placeTwips(lstHolidays, 120, 1500, 4650, 2220);
  connect(lstHolidays, &QListWidget::itemSelectionChanged, this, &frmmHolidays::lstHolidays_Click);

  Frame1[0] = make<QGroupBox>(this, indexed("Frame1", 0));
  Frame1[0]->setTitle(QStringLiteral("Include Weekdays"));
  placeTwips(Frame1[0], 120, 3840, 6060, 660);
  const char* days[] = {"S&un", "&Mon", "&Tue", "&Wed", "T&hu", "&Fri", "&Sat"};
  for (std::size_t d = 0; d < chkWeek.size(); ++d) {
    chkWeek[d] = make<QCheckBox>(Frame1[0], indexed("chkWeek", d));
    chkWeek[d]->setText(QString::fromLatin1(days[d]));
    placeTwips(chkWeek[d], 210 + static_cast<int>(d) * 840, 285, 780, 270);
  }

  const char* closeCaptions[] = {"OK", "Cancel"};
  const int closeLefts[] = {3720, 5010};
  for (std::size_t i = 0; i < Command1.size(); ++i) {
    Command1[i] = make<QPushButton>(this, indexed("Command1", i));
    Command1[i]->setText(QString::fromLatin1(closeCaptions[i]));
    placeTwips(Command1[i], closeLefts[i], 4620, 1170, 345);
    connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(static_cast<int>(i)); });
  }

  for (std::size_t i = 0; i < tHoli.size(); ++i)
    connect(tHoli[i], &QLineEdit::textChanged, this, [this, i] { tHoli_Change(static_cast<int>(i)); });

  ui::nameControl(tHoli[0], Label1);
  ui::nameControl(tHoli[1], Label2);
  ui::nameControl(lstHolidays, QStringLiteral("Holidays"));

  QWidget::setTabOrder(tHoli[0], tHoli[1]);
  QWidget::setTabOrder(tHoli[1], Command2[0]);
  QWidget::setTabOrder(Command2[0], lstHolidays);
  QWidget::setTabOrder(lstHolidays, Command2[1]);
  QWidget::setTabOrder(Command2[1], chkWeek[0]);
  for (std::size_t d = 1; d < chkWeek.size(); ++d) QWidget::setTabOrder(chkWeek[d - 1], chkWeek[d]);
  QWidget::setTabOrder(chkWeek[6], Command1[0]);
  QWidget::setTabOrder(Command1[0], Command1[1]);

  setDefaultButton(Command1[0]);
  setCancelButton(Command1[1]);
}

void frmmHolidays::Form_Load() {
  ui::EditorState& s = ctx.state;
  setTopmost(true);
  Label3->setText(QLatin1Char('(') + s.ShortDateFmt + QLatin1Char(')'));
  tHoli[0]->setAccessibleDescription(Label3->text());
  const HolidayList list = loadHolidayList(s.files, s.MainRec, s.HoliRec);
  // Saved back, a list with a hole would lose the holidays that could not be read.
  if (!list.complete) {
    setOpeningFault(QStringLiteral("The holidays could not be read; nothing was changed."));
    return;
  }
  Command2[1]->setEnabled(false);
  for (std::size_t d = 0; d < chkWeek.size(); ++d) chkWeek[d]->setChecked(list.weekOff[d]);

  const QSignalBlocker block(lstHolidays);
  for (const HolidayEntry& e : list.entries) {
    const QByteArray spare(reinterpret_cast<const char*>(e.spare->data()), static_cast<qsizetype>(e.spare->size()));
    addEntry(e.date, QString::fromStdString(e.name), &spare);
  }
}

void frmmHolidays::showEvent(QShowEvent* e) {
  FormBase::showEvent(e);
  if (activated_) return;
  activated_ = true;
  tHoli[0]->setFocus();
}

QString frmmHolidays::entryText(double date, const QString& name) const {
  QString text = ctx.state.regional.formatDate(date, QStringLiteral("dd-mmm-yyyy"));
  if (text.isEmpty()) text = kNoDate;
  if (!isBlank(name)) text += kDots + withoutTrailingBlanks(name);
  return text;
}

void frmmHolidays::addEntry(double date, const QString& name, const QByteArray* spare) {
  // An entry keeps its day (the time of day is not shown, so it is not kept either);
  // a value that is no date is kept as it was, so that saving does not change it.
  const auto day = dayOf(date);
  const double kept = day ? Regional::fromDate(*day) : date;
  auto* item = new QListWidgetItem(entryText(kept, name));
  item->setData(DateRole, kept);
  item->setData(NameRole, name);
  if (spare) item->setData(SpareRole, *spare);
  lstHolidays->addItem(item);
}

std::vector<double> frmmHolidays::listedDates() const {
  std::vector<double> out;
  for (int i = 0; i < lstHolidays->count(); ++i) out.push_back(lstHolidays->item(i)->data(DateRole).toDouble());
  return out;
}

bool frmmHolidays::CheckDupliDate(double dDate) const { return prandel::CheckDupliDate(listedDates(), dDate); }

void frmmHolidays::Command2_Click(int index) {
  ui::EditorState& s = ctx.state;
  if (index == 0) {
    const QString text = tHoli[0]->text();
    if (isBlank(text)) return;
    const HolidayCheck check = checkNewHoliday(s.regional, listedDates(), text);
    if (check.fault == HolidayFault::ListFull) {
      ctx.prompter.message(this, holidayFaultText(check.fault));
      return;
    }
    if (check.fault != HolidayFault::None) {
      tHoli[0]->clear();
      tHoli[0]->setFocus();
      ctx.prompter.message(this, holidayFaultText(check.fault));
      return;
    }
    addEntry(check.date, tHoli[1]->text(), nullptr);
    tHoli[0]->clear();
    tHoli[1]->clear();
    tHoli[0]->setFocus();
    return;
  }
  const QList<QListWidgetItem*> selected = lstHolidays->selectedItems();
  if (selected.isEmpty()) return;
  // The button stays as it is until the list is clicked again.
  const QSignalBlocker block(lstHolidays);
  delete lstHolidays->takeItem(lstHolidays->row(selected.first()));
  lstHolidays->clearSelection();
  lstHolidays->setCurrentItem(nullptr);
}

void frmmHolidays::lstHolidays_Click() { Command2[1]->setEnabled(!lstHolidays->selectedItems().isEmpty()); }

void frmmHolidays::tHoli_Change(int index) {
  setDefaultButton(tHoli[static_cast<std::size_t>(index)]->text().isEmpty() ? Command1[0] : Command2[0]);
}

void frmmHolidays::Command1_Click(int index) {
  // A list loaded with a hole in it is never written back.
  if (index == 0 && openingFault().isEmpty()) save();
  hideAndEnd();
}

void frmmHolidays::save() {
  std::vector<HolidayEntry> list;
  for (int j = 0; j < lstHolidays->count(); ++j) {
    const QListWidgetItem* item = lstHolidays->item(j);
    HolidayEntry e{item->data(DateRole).toDouble(), item->data(NameRole).toString().toStdString(), std::nullopt};
    if (const QVariant own = item->data(SpareRole); own.isValid()) {
      const QByteArray bytes = own.toByteArray();
      e.spare.emplace();
      std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), static_cast<qsizetype>(e.spare->size())),
                  e.spare->begin());
    }
    list.push_back(std::move(e));
  }
  std::array<bool, 7> weekOff{};
  for (std::size_t d = 0; d < chkWeek.size(); ++d) weekOff[d] = chkWeek[d]->isChecked();
  saveHolidayList(ctx.state.files, ctx.state.MainRec, ctx.state.HoliRec, list, weekOff);
}

}  // namespace prandel
