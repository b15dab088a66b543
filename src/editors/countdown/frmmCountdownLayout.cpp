// SPDX-License-Identifier: GPL-3.0-or-later
// The countdown window's controls: positions in twips, captions, items, limits,
// tab order, access keys and the connections of the rules.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <vector>

#include "editors/countdown/frmmCountdown.h"
#include "store/Choices.h"
#include "ui/AccessibleNames.h"
#include "ui/Controls.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/SharedProcs.h"
#include "ui/SpinBar.h"
#include "ui/Twips.h"

namespace prandel {

using ui::EntryField;
using ui::placeTwips;

namespace {

using ui::indexed;
using ui::itemsOf;
using ui::make;

QLabel* label(QWidget* parent, const QString& name, const QString& caption) {
  auto* l = make<QLabel>(parent, name);
  l->setText(caption);
  return l;
}

// A frame whose caption is a tick box lying on its top line. The blank title
// makes the frame draw that line half a caption below its top, through the
// middle of the tick box.
QGroupBox* tickCaptionedFrame(QWidget* parent, const QString& name) {
  auto* f = make<QGroupBox>(parent, name);
  f->setTitle(QStringLiteral(" "));
  return f;
}

QCheckBox* frameCaption(QWidget* parent, const QString& name, const QString& caption) {
  auto* c = make<QCheckBox>(parent, name);
  c->setText(caption);
  // Covers the frame's line behind its caption, and no more of it than the caption needs.
  c->setAutoFillBackground(true);
  return c;
}

// Layout columns inside the two frames (twips).
constexpr int kLabelLeft = 240;
constexpr int kFieldLeft = 1440;
constexpr int kClientWidth = 6210;
constexpr int kFrameLeft = 120;
constexpr int kFrameWidth = kClientWidth - 2 * kFrameLeft;

}  // namespace

frmmCountdown::frmmCountdown(ui::WindowContext& context, QWidget* parent)
    : FormBase(context, QStringLiteral("Countdown"), parent) {
  setWindowHeightTwips(kClientWidth, kShortLayout.windowHeight);
  buildControls();
  connectRules();
  Form_Load();
  // Centred at the height the stored option gives it.
  centreOnScreen();
}

void frmmCountdown::buildControls() {
  // The hour and minute boxes of one time, with their spin arrows beside them.
  auto timeRow = [this](QWidget* parent, std::size_t i, int top, QLabel*& colon, QLabel*& hint,
                        const char* colonName, const char* hintName) {
    txtHour[i] = make<EntryField>(parent, indexed("txtHour", i));
    placeTwips(txtHour[i], kFieldLeft, top, 480, 300);
    HourScroll[i] = make<ui::SpinBar>(parent, indexed("HourScroll", i));
    placeTwips(HourScroll[i], kFieldLeft + 495, top, 195, 300);
    colon = label(parent, QString::fromLatin1(colonName), QStringLiteral(":"));
    colon->setAlignment(Qt::AlignCenter);
    placeTwips(colon, kFieldLeft + 690, top, 150, 300);
    txtMin[i] = make<EntryField>(parent, indexed("txtMin", i));
    placeTwips(txtMin[i], kFieldLeft + 840, top, 480, 300);
    MinScroll[i] = make<ui::SpinBar>(parent, indexed("MinScroll", i));
    placeTwips(MinScroll[i], kFieldLeft + 1335, top, 195, 300);
    hint = label(parent, QString::fromLatin1(hintName), QStringLiteral("(hh:mm)"));
    hint->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    placeTwips(hint, kFieldLeft + 1650, top, 900, 300);
    for (EntryField* f : {txtHour[i], txtMin[i]}) {
      f->setMaxLength(3);
      f->setAlignRight(true);
      f->setKeyFilter([this](int key, const QString& text) {
        return KeyFilter(ctx.state, key, keykind::Whole, text);
      });
    }
  };

  // --- The countdown part -------------------------------------------------------------
  Frame1 = tickCaptionedFrame(this, QStringLiteral("Frame1"));
  chkEnaCoundown = frameCaption(this, QStringLiteral("chkEnaCoundown"), QStringLiteral("&Enable Countdown"));

  Label1[0] = label(Frame1, indexed("Label1", 0), QStringLiteral("&Set Time"));
  placeTwips(Label1[0], kLabelLeft, 300, kFieldLeft - kLabelLeft - 60, 300);
  timeRow(Frame1, 0, 300, Label3, Label4, "Label3", "Label4");
  Label1[0]->setBuddy(txtHour[0]);

  Frame2 = make<QGroupBox>(Frame1, QStringLiteral("Frame2"));
  Frame2->setTitle(QStringLiteral("Expense Settings During Countdown"));
  const auto& options = store::choices::kCountdownExpenseModes;
  for (std::size_t k = 0; k < ExOpt.size(); ++k) {
    ExOpt[k] = make<QRadioButton>(Frame2, indexed("ExOpt", k));
    ExOpt[k]->setText(QString::fromLatin1(options[k]));
    placeTwips(ExOpt[k], 180, 255 + static_cast<int>(k) * 255, kFrameWidth - 480, 255);
  }
  lstShowOpt = make<QListWidget>(Frame2, QStringLiteral("lstShowOpt"));
  // Twenty short items in four columns of five: all of them in sight at once.
  lstShowOpt->setFlow(QListView::TopToBottom);
  lstShowOpt->setWrapping(true);
  lstShowOpt->setUniformItemSizes(true);
  lstShowOpt->setResizeMode(QListView::Adjust);
  lstShowOpt->setSelectionMode(QAbstractItemView::SingleSelection);
  placeTwips(lstShowOpt, 180, 1050, kFrameWidth - 240 - 360, 1425);
  {
    const QFontMetrics fm(lstShowOpt->font());
    const int indicator = lstShowOpt->style()->pixelMetric(QStyle::PM_IndicatorWidth);
    const int columnWidth = (lstShowOpt->width() - 2 * lstShowOpt->frameWidth()) / 4;
    const int innerHeight = lstShowOpt->height() - 2 * lstShowOpt->frameWidth();
    const int rowHeight = std::max(std::max(indicator, fm.height()) + 2, innerHeight / 5);
    lstShowOpt->setGridSize(QSize(columnWidth, rowHeight));
    // Four columns of five fit exactly; a scroll bar would only take a row's room.
    lstShowOpt->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstShowOpt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  Check1 = make<QCheckBox>(Frame2, QStringLiteral("Check1"));
  Check1->setText(QStringLiteral("Enable Co&untdown only with Active Conditions"));
  placeTwips(Check1, 180, 2565, kFrameWidth - 480, 255);

  // --- The reset settings ----------------------------------------------------------
  Frame3 = tickCaptionedFrame(this, QStringLiteral("Frame3"));
  chkResetCDown = frameCaption(this, QStringLiteral("chkResetCDown"), QStringLiteral("Reset &Countdown"));

  Label1[2] = label(Frame3, indexed("Label1", 2), QStringLiteral("Reset &Period"));
  placeTwips(Label1[2], kLabelLeft, 300, kFieldLeft - kLabelLeft - 60, 315);
  Combo1 = make<QComboBox>(Frame3, QStringLiteral("Combo1"));
  Combo1->addItems(itemsOf(store::choices::kResetPeriods));
  Combo1->setCurrentIndex(-1);
  placeTwips(Combo1, kFieldLeft, 300, 1695, 315);
  Label1[2]->setBuddy(Combo1);

  Label1[1] = label(Frame3, indexed("Label1", 1), QStringLiteral("Reset &On"));
  placeTwips(Label1[1], kLabelLeft, 720, kFieldLeft - kLabelLeft - 60, 315);
  Combo4 = make<QComboBox>(Frame3, QStringLiteral("Combo4"));
  placeTwips(Combo4, kFieldLeft, 720, 1695, 315);
  Combo2 = make<QComboBox>(Frame3, QStringLiteral("Combo2"));
  placeTwips(Combo2, kFieldLeft + 1100 + 75, 720, 780, 315);
  Combo2->setMaxVisibleItems(12);
  Combo2->hide();
  Label1[1]->setBuddy(Combo4);

  Label1[3] = label(Frame3, indexed("Label1", 3), QStringLiteral("Reset &Time"));
  placeTwips(Label1[3], kLabelLeft, 1140, kFieldLeft - kLabelLeft - 60, 300);
  timeRow(Frame3, 1, 1140, Label5, Label2, "Label5", "Label2");
  Label1[3]->setBuddy(txtHour[1]);

  for (QLabel* l : Label1) l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  // --- Buttons ------------------------------------------------------------------------
  const std::pair<std::size_t, const char*> buttons[] = {{1, "&Reset"}, {0, "&Discard"}, {2, "Cancel"}};
  for (std::size_t k = 0; k < std::size(buttons); ++k) {
    auto* b = make<QPushButton>(this, indexed("Command1", buttons[k].first));
    b->setText(QString::fromLatin1(buttons[k].second));
    Command1[buttons[k].first] = b;
  }

  Text1 = make<EntryField>(this, QStringLiteral("Text1"));
  placeTwips(Text1, -3000, -3000, 1000, 300);
  Text1->hide();

  // The tick boxes lie over their frames' lines.
  chkEnaCoundown->raise();
  chkResetCDown->raise();

  // For screen readers: the blank frame captions would give the frames and every
  // field in them a blank name, and one label serves both boxes of a time.
  using ui::nameControl;
  nameControl(Frame1, chkEnaCoundown->text());
  nameControl(Frame2, Frame2->title());
  nameControl(Frame3, chkResetCDown->text());
  const char* timeNames[2] = {"Countdown", "Reset"};
  for (std::size_t i = 0; i < 2; ++i) {
    const QString time = QString::fromLatin1(timeNames[i]);
    nameControl(txtHour[i], time + QStringLiteral(" hours"));
    nameControl(HourScroll[i], time + QStringLiteral(" hours arrows"));
    nameControl(txtMin[i], time + QStringLiteral(" minutes"));
    nameControl(MinScroll[i], time + QStringLiteral(" minutes arrows"));
  }
  nameControl(lstShowOpt, QStringLiteral("Expense conditions to enable"));
  nameControl(Combo1, Label1[2]);
  nameControl(Combo4, Label1[1]);
  nameControl(Combo2, QStringLiteral("Reset on day"));

  const std::vector<QWidget*> order = {chkEnaCoundown, txtHour[0], txtMin[0], ExOpt[0],   ExOpt[1],   ExOpt[2],
                                       lstShowOpt,     Check1,     chkResetCDown, Combo1, Combo4,     Combo2,
                                       txtHour[1],     txtMin[1],  Command1[1], Command1[0], Command1[2]};
  for (std::size_t k = 1; k < order.size(); ++k) QWidget::setTabOrder(order[k - 1], order[k]);

  setDefaultButton(Command1[1]);
  setCancelButton(Command1[2]);
}

void frmmCountdown::placeLayout(const Layout& l) {
  setWindowHeightTwips(kClientWidth, l.windowHeight);
  placeTwips(chkEnaCoundown, kFrameLeft + 120, 60, 1, 255);
  placeTwips(Frame1, kFrameLeft, 80, kFrameWidth, l.frame1Height);
  placeTwips(Frame2, 120, 720, kFrameWidth - 240, l.frame2Height);
  placeTwips(chkResetCDown, kFrameLeft + 120, l.resetTop, 1, 255);
  placeTwips(Frame3, kFrameLeft, l.resetTop + 20, kFrameWidth, 1545);
  for (QCheckBox* c : {chkEnaCoundown, chkResetCDown}) c->resize(c->sizeHint().width() + ui::twips(45), c->height());
  const int lefts[] = {kClientWidth - 3*1215 - 2*75 - 120, kClientWidth - 2*1215 - 75 - 120, kClientWidth - 1215 - 120};
  const std::size_t which[] = {1, 0, 2};
  for (std::size_t k = 0; k < 3; ++k) placeTwips(Command1[which[k]], lefts[k], l.buttonsTop, 1215, 345);
}

void frmmCountdown::connectRules() {
  connect(chkEnaCoundown, &QCheckBox::clicked, this, [this] { chkEnaCoundown_Click(); });
  connect(chkResetCDown, &QCheckBox::clicked, this, [this] { chkResetCDown_Click(); });
  for (std::size_t k = 0; k < ExOpt.size(); ++k)
    connect(ExOpt[k], &QRadioButton::clicked, this, [this, k] { ExOpt_Click(static_cast<int>(k)); });
  connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
  connect(Combo4, &QComboBox::activated, this, [this] { Combo4_Click(); });
  for (std::size_t i = 0; i < 2; ++i) {
    const int n = static_cast<int>(i);
    connect(HourScroll[i], &ui::SpinBar::valueChanged, this, [this, n] { HourScroll_Change(n); });
    connect(MinScroll[i], &ui::SpinBar::valueChanged, this, [this, n] { MinScroll_Change(n); });
    connect(txtHour[i], &EntryField::keyPressed, this, [this, n](int key) { txtHour_KeyDown(n, key); });
    connect(txtMin[i], &EntryField::keyPressed, this, [this, n](int key) { txtMin_KeyDown(n, key); });
    for (EntryField* f : {txtHour[i], txtMin[i]}) {
      connect(f, &EntryField::keyReleased, this, [f](int key) {
        if (key == Qt::Key_Up || key == Qt::Key_Down) f->selectAll();
      });
    }
    connect(txtMin[i], &QLineEdit::textChanged, this, [this, n] { txtMin_Change(n); });
  }
  for (std::size_t k = 0; k < Command1.size(); ++k)
    connect(Command1[k], &QPushButton::clicked, this, [this, k] { Command1_Click(static_cast<int>(k)); });
}

}  // namespace prandel
