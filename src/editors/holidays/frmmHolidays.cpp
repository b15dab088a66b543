// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/holidays/frmmHolidays.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cstring>

#include "common/RecordUpdate.h"
#include "common/Session.h"
#include "common/SharedProcs.h"
#include "store/Codec.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"
#include "ui/AccessibleNames.h"
#include "ui/Controls.h"
#include "ui/EntryField.h"
#include "ui/Prompter.h"
#include "ui/Twips.h"

namespace prandel {

using store::HolidayRecord;
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
    return KeyFilter(ctx.session, key, keykind::Date, text);
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
  Session& s = ctx.session;
  setTopmost(true);
  Label3->setText(QLatin1Char('(') + s.ShortDateFmt + QLatin1Char(')'));
  tHoli[0]->setAccessibleDescription(Label3->text());
  s.MainRecIO(false);
  Command2[1]->setEnabled(false);
  for (std::size_t d = 0; d < chkWeek.size(); ++d) chkWeek[d]->setChecked(s.MainRec.WeekOff[d]);

  // A count beyond the records' capacity, or below zero, is not trusted.
  const int count = std::clamp<int>(s.MainRec.HolidayCount, 0, HolidayRecord::Capacity);
  const QSignalBlocker block(lstHolidays);
  for (int k = 1; k <= count; ++k) {
    if (!store::readRecord(s.files, HolidayRecord::Channel, HolidayRecord::Base + k, s.HoliRec)) continue;
    const QByteArray spare(reinterpret_cast<const char*>(s.HoliRec.HoliSpare.data()),
                           static_cast<qsizetype>(s.HoliRec.HoliSpare.size()));
    addEntry(s.HoliRec.HoliDate, QString::fromStdString(s.HoliRec.HoliName), &spare);
  }
  loadedSpare_ = QByteArray(reinterpret_cast<const char*>(s.HoliRec.HoliSpare.data()),
                            static_cast<qsizetype>(s.HoliRec.HoliSpare.size()));
}

void frmmHolidays::showEvent(QShowEvent* e) {
  FormBase::showEvent(e);
  if (activated_) return;
  activated_ = true;
  tHoli[0]->setFocus();
}

QString frmmHolidays::entryText(double date, const QString& name) const {
  QString text = ctx.session.regional.formatDate(date, QStringLiteral("dd-mmm-yyyy"));
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

bool frmmHolidays::CheckDupliDate(double dDate) const {
  const auto day = dayOf(dDate);
  if (!day) return false;
  for (int i = 0; i < lstHolidays->count(); ++i) {
    const auto other = dayOf(lstHolidays->item(i)->data(DateRole).toDouble());
    if (other && *other == *day) return true;
  }
  return false;
}

void frmmHolidays::Command2_Click(int index) {
  Session& s = ctx.session;
  if (index == 0) {
    const QString text = tHoli[0]->text();
    if (isBlank(text)) return;
    if (lstHolidays->count() >= HolidayRecord::Capacity) {
      ctx.prompter.message(this, QStringLiteral("List of Holidays is full"));
      return;
    }
    const auto date = s.regional.parseDate(text);
    const QString fault = !date ? QStringLiteral("Invalid Date")
                                : (CheckDupliDate(*date) ? QStringLiteral("Date is already exist") : QString());
    if (!fault.isEmpty()) {
      tHoli[0]->clear();
      tHoli[0]->setFocus();
      ctx.prompter.message(this, fault);
      return;
    }
    addEntry(*date, tHoli[1]->text(), nullptr);
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
  if (index == 0) save();
  hideAndEnd();
}

void frmmHolidays::save() {
  Session& s = ctx.session;
  const int count = lstHolidays->count();
  // Room for the whole list first: a disk that fills up halfway would leave a count
  // that the records behind it do not match.
  if (count > 0 && !s.files.reserve(HolidayRecord::Channel, HolidayRecord::Base + 1, count)) return;
  updateMainRecord(s, [&](store::MainRecord& m) {
    m.HolidayCount = static_cast<std::int16_t>(count);
    for (std::size_t d = 0; d < chkWeek.size(); ++d) m.WeekOff[d] = chkWeek[d]->isChecked();
    m.ChangeCode = 5;
  });

  for (int j = 0; j < count; ++j) {
    const QListWidgetItem* item = lstHolidays->item(j);
    s.HoliRec.HoliDate = item->data(DateRole).toDouble();
    const QString name = item->data(NameRole).toString();
    s.HoliRec.HoliName = isBlank(name) ? std::string() : name.toStdString();
    // A holiday read from the file keeps its own spare bytes wherever it moves; a
    // new one gets what the record buffer held after the load.
    const QVariant own = item->data(SpareRole);
    const QByteArray spare = own.isValid() ? own.toByteArray() : loadedSpare_;
    s.HoliRec.HoliSpare.fill(0);
    std::memcpy(s.HoliRec.HoliSpare.data(), spare.constData(),
                std::min<std::size_t>(s.HoliRec.HoliSpare.size(), static_cast<std::size_t>(spare.size())));
    store::writeRecord(s.files, HolidayRecord::Channel, HolidayRecord::Base + 1 + j, s.HoliRec);
  }
}

}  // namespace prandel
