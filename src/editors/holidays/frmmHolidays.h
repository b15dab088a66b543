// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The holiday editor, "Holidays": the list of holiday dates with a description each,
// and the days of the week that are off every week. Nothing reaches the files before
// "OK", which writes MainRecord (count and weekly days off) and then the holiday
// records in list order.
#include <array>
#include <cstdint>
#include <vector>

#include "ui/FormBase.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace prandel {

namespace ui {
class EntryField;
}

class frmmHolidays final : public ui::FormBase {
  Q_OBJECT
 public:
  explicit frmmHolidays(ui::WindowContext& ctx, QWidget* parent = nullptr);

  // --- Controls, under their own names -------------------------------------------
  std::array<ui::EntryField*, 2> tHoli{};  // date, description
  QLabel* Label1 = nullptr;                // "Dat&e"
  QLabel* Label2 = nullptr;                // "Desc&ription"
  QLabel* Label3 = nullptr;                // the date format hint
  std::array<QPushButton*, 2> Command2{};  // "&Add", "&Delete"
  QListWidget* lstHolidays = nullptr;
  std::array<QGroupBox*, 1> Frame1{};      // "Include Weekdays"
  std::array<QCheckBox*, 7> chkWeek{};     // Sunday .. Saturday
  std::array<QPushButton*, 2> Command1{};  // "OK", "Cancel"

  // Whether a list entry already holds the day of dDate.
  bool CheckDupliDate(double dDate) const;

  // Where each entry keeps its holiday beside its text.
  enum Role { DateRole = 0x0100, NameRole, SpareRole };

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void buildControls();
  void Form_Load();
  void Command2_Click(int index);
  void Command1_Click(int index);
  void lstHolidays_Click();
  void tHoli_Change(int index);
  void addEntry(double date, const QString& name, const QByteArray* spare);
  QString entryText(double date, const QString& name) const;
  void save();
  std::vector<double> listedDates() const;

  bool activated_ = false;
};

}  // namespace prandel
