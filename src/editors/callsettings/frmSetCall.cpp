// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/callsettings/frmSetCall.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <cmath>

#include "core/RecordUpdate.h"
#include "store/Choices.h"
#include "ui/AccessibleNames.h"
#include "ui/Controls.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/Greying.h"
#include "ui/Prompter.h"
#include "ui/SharedProcs.h"
#include "ui/Twips.h"

namespace prandel {

using ui::placeTwips;

namespace {

using ui::indexed;
using ui::itemsOf;
using ui::make;

enum CallStartChoice { AfterMakingCall = 0, AfterConnection = 1, NeverCount = 2 };
enum IncrementChoice { IncNever = 0, IncSpecify = 1 };
constexpr int kMaxDialSeconds = 90;
constexpr int kDefaultDialSeconds = 20;

const QString kTimePattern = QStringLiteral("hh:mm:ss");

// A time of day as it reads back after formatting with "hh:mm:ss": whole seconds.
double wholeSeconds(double t) {
  const auto time = Regional::timePart(t);
  return time ? Regional::fromTime(time->hour(), time->minute(), time->second()) : 0;
}

}  // namespace

const std::array<const char*, 15> frmSetCall::kIncrements = {
    "00:00:00", nullptr,    "00:01:00", "00:02:00", "00:03:00", "00:05:00", "00:10:00", "00:15:00",
    "00:30:00", "01:00:00", "02:00:00", "03:00:00", "06:00:00", "12:00:00",
    "23:59:58",  // two seconds short of a day, as the tracker expects
};

frmSetCall::frmSetCall(ui::WindowContext& context, QWidget* parent)
    : FormBase(context, QStringLiteral("Call Settings"), parent) {
  setClientSizeTwips(4335, 2220);
  buildControls();
  centreOnScreen();
  Form_Load();
}

void frmSetCall::buildControls() {
  const int labelLeft = 240, labelWidth = 1800, fieldLeft = 2100;
  const int rowTop[] = {240, 675, 1110};

  Label1[0] = make<QLabel>(this, indexed("Label1", 0));
  Label1[0]->setText(QStringLiteral("&Start Counting Call"));
  placeTwips(Label1[0], labelLeft, rowTop[0], labelWidth, 315);
  Combo1 = make<QComboBox>(this, QStringLiteral("Combo1"));
  Combo1->addItems(itemsOf(store::choices::kCallStart));
  placeTwips(Combo1, fieldLeft, rowTop[0], 1995, 315);
  Label1[0]->setBuddy(Combo1);

  Label1[1] = make<QLabel>(this, indexed("Label1", 1));
  Label1[1]->setText(QStringLiteral("&Increments After Every"));
  placeTwips(Label1[1], labelLeft, rowTop[1], labelWidth, 315);
  Combo4 = make<QComboBox>(this, QStringLiteral("Combo4"));
  Combo4->addItems(itemsOf(store::choices::kIncrements));
  Combo4->setMaxVisibleItems(15);
  placeTwips(Combo4, fieldLeft, rowTop[1], 1140, 315);
  Label1[1]->setBuddy(Combo4);

  txtTime = make<ui::EntryField>(this, QStringLiteral("txtTime"));
  txtTime->setMaxLength(10);
  txtTime->setKeyFilter([this](int key, const QString& text) {
    return KeyFilter(ctx.state, key, keykind::Duration, text);
  });
  placeTwips(txtTime, fieldLeft + 1215, rowTop[1], 780, 315);
  txtTime->hide();

  Check1 = make<QCheckBox>(this, QStringLiteral("Check1"));
  Check1->setText(QStringLiteral("Add Dialing Time"));
  placeTwips(Check1, labelLeft, rowTop[2], labelWidth, 315);
  Combo2 = make<QComboBox>(this, QStringLiteral("Combo2"));
  Combo2->setMaxVisibleItems(15);
  placeTwips(Combo2, fieldLeft, rowTop[2], 720, 315);
  Label2 = make<QLabel>(this, QStringLiteral("Label2"));
  Label2->setText(QStringLiteral("Seconds"));
  placeTwips(Label2, fieldLeft + 795, rowTop[2], 1000, 315);

  for (QLabel* l : {Label1[0], Label1[1], Label2}) l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  ui::nameControl(Combo1, Label1[0]);
  ui::nameControl(Combo4, Label1[1]);
  ui::nameControl(txtTime, QStringLiteral("Specified increment"));
  txtTime->setAccessibleDescription(QStringLiteral("hh:mm:ss"));
  ui::nameControl(Combo2, QStringLiteral("Dialing seconds"));

  const std::pair<std::size_t, const char*> buttons[] = {{1, "OK"}, {2, "Cancel"}};
  const int lefts[] = {1575, 2880};
  for (std::size_t k = 0; k < std::size(buttons); ++k) {
    auto* b = make<QPushButton>(this, indexed("Command1", buttons[k].first));
    b->setText(QString::fromLatin1(buttons[k].second));
    placeTwips(b, lefts[k], 1635, 1215, 345);
    Command1[buttons[k].first] = b;
    const int index = static_cast<int>(buttons[k].first);
    connect(b, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
  }

  connect(Combo1, &QComboBox::activated, this, [this] { SetControls(); });
  connect(Combo4, &QComboBox::activated, this, [this] { SetControls(); });
  connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });

  QWidget::setTabOrder(Combo1, Combo4);
  QWidget::setTabOrder(Combo4, txtTime);
  QWidget::setTabOrder(txtTime, Check1);
  QWidget::setTabOrder(Check1, Combo2);
  QWidget::setTabOrder(Combo2, Command1[1]);
  QWidget::setTabOrder(Command1[1], Command1[2]);

  setDefaultButton(Command1[1]);
  setCancelButton(Command1[2]);
}

void frmSetCall::Form_Load() {
  ui::EditorState& s = ctx.state;
  setTopmost(true);
  s.MainRecIO(false);
  const store::MainRecord& m = s.MainRec;

  // The defaults stay when a stored index has no entry.
  auto choose = [this](QComboBox* c, int index) {
    if (index < 0 || index >= c->count()) return;
    {
      const QSignalBlocker block(c);
      c->setCurrentIndex(index);
    }
    SetControls();
  };
  choose(Combo1, AfterConnection);
  choose(Combo4, IncNever);
  choose(Combo1, m.CallStart);
  choose(Combo4, m.IncChoice);

  Check1->setChecked(m.AddDialTime > 0);

  {
    const QSignalBlocker block(Combo2);
    Combo2->clear();
    for (int sec = 0; sec <= kMaxDialSeconds; ++sec) Combo2->addItem(QString::number(sec));
    Combo2->setCurrentIndex(m.DialSeconds <= kMaxDialSeconds ? m.DialSeconds : kDefaultDialSeconds);
  }

  Check1_Click();
  SetControls();
}

void frmSetCall::SetControls() {
  const bool wasShown = !txtTime->isHidden();
  txtTime->setVisible(Combo4->currentIndex() == IncSpecify);
  if (Combo1->currentIndex() == NeverCount) {
    {
      const QSignalBlocker block(Combo4);
      Combo4->setCurrentIndex(IncNever);
    }
    Combo4->setEnabled(false);
    txtTime->hide();
  } else {
    Combo4->setEnabled(true);
  }
  // The box shows the stored increment, whatever is chosen now; but a time typed
  // into it stays while it stays shown, so that changing the other list keeps it.
  if (!(wasShown && !txtTime->isHidden()))
    txtTime->setText(ctx.state.regional.formatDate(ctx.state.MainRec.IncTime, kTimePattern));
  if (Combo1->currentIndex() == AfterMakingCall) {
    Check1->setEnabled(true);
    Combo2->setEnabled(true);
    Check1_Click();
  } else {
    Check1->setEnabled(false);
    ui::setFieldUsable(Combo2, false);
  }
}

void frmSetCall::Check1_Click() { ui::setFieldUsable(Combo2, Check1->isChecked()); }

void frmSetCall::FixTime() { txtTime->setText(FixTimeText(txtTime->text())); }

void frmSetCall::SetIncTime() {
  store::MainRecord& m = ctx.state.MainRec;
  const int choice = Combo4->currentIndex();
  const Regional& reg = ctx.state.regional;
  if (choice == IncSpecify) {
    if (const auto t = reg.parseTime(txtTime->text())) m.IncTime = wholeSeconds(*t);
  } else if (choice >= 0 && choice < static_cast<int>(kIncrements.size())) {
    m.IncTime = wholeSeconds(reg.parseTime(QString::fromLatin1(kIncrements[static_cast<std::size_t>(choice)])).value_or(0));
  }
  if (Combo1->currentIndex() == NeverCount) m.IncTime = 0;
}

void frmSetCall::Command1_Click(int index) {
  if (index == 2) {
    hideAndEnd();
    return;
  }
  if (index != 1) return;

  if (!txtTime->isHidden()) {
    // A time of day that is still one after tidying ("5:30" is five minutes thirty),
    // and not nothing: an increment of zero would mean "never" under "Specify".
    const Regional& reg = ctx.state.regional;
    const QString text = txtTime->text();
    const auto typed = reg.parseTime(text);
    const auto tidied = reg.parseTime(FixTimeText(text));
    if (typed && tidied && wholeSeconds(*tidied) > 0) {
      FixTime();
    } else {
      txtTime->clear();
      txtTime->setFocus();
      ctx.prompter.message(this, QStringLiteral("Please insert time properly"));
      return;
    }
  }

  // Read and written at once, so that the tracker's fields go back as it left them.
  updateMainRecord(ctx.state.files, ctx.state.MainRec, [this](store::MainRecord& m) {
    if (Combo1->currentIndex() >= 0) m.CallStart = static_cast<std::int16_t>(Combo1->currentIndex());
    if (Combo4->currentIndex() >= 0) m.IncChoice = static_cast<std::int16_t>(Combo4->currentIndex());
    SetIncTime();  // into the buffer, which is m
    m.ChangeCode = 4;
    m.AddDialTime = Check1->isChecked() ? 1 : 0;
    if (Combo2->currentIndex() >= 0) m.DialSeconds = static_cast<std::uint8_t>(Combo2->currentIndex());
  });
  hideAndEnd();
}

}  // namespace prandel
