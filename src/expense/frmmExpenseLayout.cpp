// SPDX-License-Identifier: GPL-3.0-or-later
// The expense window's controls: positions in twips, captions, items, limits, tab
// order and access keys, and the connections of the rules.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QAbstractItemView>
#include <QPushButton>
#include <QRadioButton>

#include "core/ConditionTexts.h"
#include "expense/frmmExpense.h"
#include "expense/frmmExpGraph.h"
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

using ui::itemsOf;
using ui::indexed;
using ui::make;

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption) {
  auto* f = make<QGroupBox>(parent, name);
  f->setTitle(caption);
  return f;
}

// Captions sit at the top, as the old labels drew them.
QLabel* label(QWidget* parent, const QString& name, const QString& caption,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
  auto* l = make<QLabel>(parent, name);
  l->setText(caption);
  l->setAlignment(align);
  return l;
}

QComboBox* listCombo(QWidget* parent, const QString& name, const QStringList& items = {}) {
  auto* c = make<QComboBox>(parent, name);
  c->addItems(items);
  c->setCurrentIndex(-1);
  return c;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption) {
  auto* c = make<QCheckBox>(parent, name);
  c->setText(caption);
  return c;
}

// What a screen reader calls each control: its label's caption where it has a label
// of its own, else what the field holds.
void nameControls(frmmExpense& w) {
  using ui::nameControl;
  nameControl(w.lstCondtions, QStringLiteral("Conditions"));

  nameControl(w.Text1, w.Frame3->title());
  nameControl(w.Combo3, QStringLiteral("Amount charged"));
  nameControl(w.Combo1, w.Frame1->title());
  nameControl(w.Combo4, QStringLiteral("Weekday or month"));
  nameControl(w.tPeriod[0], QStringLiteral("Period from"));
  nameControl(w.tPeriod[1], QStringLiteral("Period to"));
  nameControl(w.Combo2, w.Frame2->title());
  nameControl(w.txtTime[0], QStringLiteral("Time from"));
  nameControl(w.txtTime[1], QStringLiteral("Time to"));
  nameControl(w.cmdDay[0], QStringLiteral("Weekly period from day"));
  nameControl(w.advTime[0], QStringLiteral("Weekly period from time"));
  nameControl(w.cmdDay[1], QStringLiteral("Weekly period to day"));
  nameControl(w.advTime[1], QStringLiteral("Weekly period to time"));

  nameControl(w.cmbCallTime, w.Label8);
  nameControl(w.txtDiffCall, w.Label6);
  w.txtDiffCall->setAccessibleDescription(w.Label1->text());
  nameControl(w.txtISPAmt, w.Label5);
  nameControl(w.txtExpIniAmt, w.Label7);
  nameControl(w.txtInitTime, w.Label2);
  nameControl(w.cmbExpCon, QStringLiteral("Connection"));

  // The tick box on its top line is the frame's caption.
  nameControl(w.frExp[4], w.chkCondtion->text());
  nameControl(w.Combo5, QStringLiteral("Condition counter"));
  nameControl(w.Combo6, QStringLiteral("Condition comparison"));
  nameControl(w.txtVal, QStringLiteral("Condition value"));
  nameControl(w.txtHour, QStringLiteral("Condition hours"));
  nameControl(w.HourScroll, QStringLiteral("Condition hours arrows"));
  nameControl(w.txtMin, QStringLiteral("Condition minutes"));
  nameControl(w.MinScroll, QStringLiteral("Condition minutes arrows"));
  w.txtHour->setAccessibleDescription(w.Label11->text());
  w.txtMin->setAccessibleDescription(w.Label11->text());
}

}  // namespace

frmmExpense::frmmExpense(ui::WindowContext& context, QWidget* parent)
    : FormBase(context, QStringLiteral("Zelkora Expense"), parent) {
  setClientSizeTwips(9420, 6705);
  buildControls();
  setupEntryFields();
  setTabOrderAndKeys();
  nameControls(*this);
  connectRules();
  Timer1.setInterval(1000);
  connect(&Timer1, &QTimer::timeout, this, &frmmExpense::Timer1_Timer);
  Timer1.start();
  centreOnScreen();
  Form_Load();
}

frmmExpense::~frmmExpense() = default;

frmmExpGraph* frmmExpense::graphWindow() const { return graph_.data(); }

void frmmExpense::buildControls() {
  const std::pair<std::size_t, const char*> buttons[] = {
      {9, "Online E&xamples"}, {7, "&Condition Map"}, {0, "OK"}, {1, "Cancel"}};
  const int buttonLeft[] = {1665, 240, 6930, 8085};
  const int buttonWidth[] = {1365, 1365, 1095, 1095};
  for (std::size_t i = 0; i < std::size(buttons); ++i) {
    auto* b = make<QPushButton>(this, indexed("CmdBut", buttons[i].first));
    b->setText(QString::fromLatin1(buttons[i].second));
    placeTwips(b, buttonLeft[i], 6150, buttonWidth[i], 345);
    CmdBut[buttons[i].first] = b;
  }

  Frame11 = frame(this, QStringLiteral("Frame11"), {});
  placeTwips(Frame11, 120, 60, 9195, 5925);
  const std::pair<std::size_t, const char*> listButtons[] = {
      {6, "&Add"}, {3, "&Edit"}, {2, "&Delete"}, {4, "OK"}, {5, "Cancel"}};
  const int listLeft[] = {180, 967, 1755, 7020, 8055};
  const int listWidth[] = {735, 735, 735, 975, 975};
  for (std::size_t i = 0; i < std::size(listButtons); ++i) {
    auto* b = make<QPushButton>(Frame11, indexed("CmdBut", listButtons[i].first));
    b->setText(QString::fromLatin1(listButtons[i].second));
    placeTwips(b, listLeft[i], 5460, listWidth[i], 345);
    CmdBut[listButtons[i].first] = b;
  }
  CmdBut[4]->hide();
  CmdBut[5]->hide();

  lstCondtions = make<QListWidget>(Frame11, QStringLiteral("lstCondtions"));
  lstCondtions->setSelectionMode(QAbstractItemView::SingleSelection);
  placeTwips(lstCondtions, 165, 270, 2325, 5055);

  Frame4 = frame(Frame11, QStringLiteral("Frame4"), {});
  placeTwips(Frame4, 2580, 180, 6495, 5145);
  const int detailTops[] = {240, 540, 825, 1125, 1425, 1710, 2010, 2310, 2610, 2910, 3195, 3480};
  for (std::size_t i = 0; i < lblDetails.size(); ++i) {
    lblDetails[i] = label(Frame4, indexed("lblDetails", i), {});
    lblDetails[i]->setTextFormat(Qt::PlainText);  // a connection name is shown as it is
    lblDetails[i]->move(ui::twips(180), ui::twips(detailTops[i]));
    lblDetails[i]->hide();
  }

  Frame10 = frame(Frame11, QStringLiteral("Frame10"), {});
  placeTwips(Frame10, 2580, 180, 6495, 5145);
  Frame10->hide();
  buildEditingPanel();
  buildFilterControls();

  setDefaultButton(CmdBut[0]);
  setCancelButton(CmdBut[1]);
}

void frmmExpense::buildEditingPanel() {
  Frame3 = frame(Frame10, QStringLiteral("Frame3"), QStringLiteral("&Amount"));
  placeTwips(Frame3, 120, 180, 1530, 1005);
  Text1 = make<EntryField>(Frame3, QStringLiteral("Text1"));
  placeTwips(Text1, 105, 240, 1320, 285);
  Combo3 = listCombo(Frame3, QStringLiteral("Combo3"), itemsOf(store::choices::kAmountItems));
  placeTwips(Combo3, 105, 600, 1395, 315);  // 1335 there: "Only At Once" needs a little more

  Frame1 = frame(Frame10, QStringLiteral("Frame1"), QStringLiteral("&Period"));
  placeTwips(Frame1, 1725, 180, 2610, 1005);
  // The first five kinds; Form_Load adds the rest with the user's day names.
  Combo1 = listCombo(Frame1, QStringLiteral("Combo1"),
                     itemsOf(std::span(store::choices::kPeriodKinds).first(5)));
  placeTwips(Combo1, 90, 225, 2430, 315);
  Combo4 = listCombo(Frame1, QStringLiteral("Combo4"));
  placeTwips(Combo4, 90, 600, 2430, 315);
  const int periodLeft[] = {90, 1455};
  for (std::size_t i = 0; i < 2; ++i) {
    tPeriod[i] = make<EntryField>(Frame1, indexed("tPeriod", i));
    placeTwips(tPeriod[i], periodLeft[i], 615, 1050, 285);
  }
  Label3 = label(Frame1, QStringLiteral("Label3"), QStringLiteral("To"));
  placeTwips(Label3, 1185, 675, 375, 195);
  chkEnaHoliday = checkBox(Frame1, QStringLiteral("chkEnaHoliday"), QStringLiteral("Include &Holydays"));
  placeTwips(chkEnaHoliday, 210, 645, 1890, 225);
  chkEnaHoliday->hide();

  Frame2 = frame(Frame10, QStringLiteral("Frame2"), QStringLiteral("&Time"));
  placeTwips(Frame2, 4410, 180, 1950, 1005);
  Combo2 = listCombo(Frame2, QStringLiteral("Combo2"), itemsOf(store::choices::kTimeKinds));
  placeTwips(Combo2, 120, 225, 1740, 315);
  Label4 = label(Frame2, QStringLiteral("Label4"), QStringLiteral("To"), Qt::AlignHCenter | Qt::AlignTop);
  placeTwips(Label4, 780, 665, 375, 240);
  const int timeLeft[] = {105, 1110};
  for (std::size_t i = 0; i < 2; ++i) {
    txtTime[i] = make<EntryField>(Frame2, indexed("txtTime", i));
    placeTwips(txtTime[i], timeLeft[i], 620, 720, 285);
  }

  Frame5 = frame(Frame10, QStringLiteral("Frame5"), QStringLiteral("Wee&kly Period"));
  placeTwips(Frame5, 4410, 180, 1950, 1005);
  Frame5->hide();
  const int weekTop[] = {210, 600};
  const char* weekCaption[] = {"From", "To"};
  for (std::size_t i = 0; i < 2; ++i) {
    Label9[i] = label(Frame5, indexed("Label9", i), QString::fromLatin1(weekCaption[i]),
                      Qt::AlignHCenter | Qt::AlignTop);
    // A little wider than the tracker's 345 twips, so that "From" fits this font.
    placeTwips(Label9[i], 45, weekTop[i] + 45, 390, 240);
    cmdDay[i] = listCombo(Frame5, indexed("cmdDay", i));
    placeTwips(cmdDay[i], 435, weekTop[i], 720, 315);
    advTime[i] = make<EntryField>(Frame5, indexed("advTime", i));
    placeTwips(advTime[i], 1170, weekTop[i], 690, 315);
  }

  for (std::size_t i = 0; i < frExp.size(); ++i) frExp[i] = make<QGroupBox>(Frame10, indexed("frExp", i));

  frExp[2]->setTitle(QStringLiteral("Call Time Settings"));
  placeTwips(frExp[2], 120, 1275, 6240, 1065);
  Label8 = label(frExp[2], QStringLiteral("Label8"), QStringLiteral("Call Ti&me"));
  placeTwips(Label8, 180, 300, 1620, 225);
  cmbCallTime = listCombo(frExp[2], QStringLiteral("cmbCallTime"),
                          {QStringLiteral("Default Call Time"), QStringLiteral("Custom Call Time")});
  placeTwips(cmbCallTime, 990, 270, 1710, 315);
  Label6 = label(frExp[2], QStringLiteral("Label6"), QStringLiteral("&Specify"));
  placeTwips(Label6, 2820, 300, 930, 225);
  txtDiffCall = make<EntryField>(frExp[2], QStringLiteral("txtDiffCall"));
  placeTwips(txtDiffCall, 3480, 270, 975, 285);
  Label1 = label(frExp[2], QStringLiteral("Label1"), QStringLiteral("(hh:mm:ss)"));
  placeTwips(Label1, 4560, 300, 825, 195);  // 750 in the tracker's window; this font is wider
  chkEnaISPC = checkBox(frExp[2], QStringLiteral("chkEnaISPC"), QStringLiteral("Other ISP Cha&rges"));
  placeTwips(chkEnaISPC, 180, 675, 2400, 225);
  Label5 = label(frExp[2], QStringLiteral("Label5"), QStringLiteral("ISP Char&ge Per Hour"));
  placeTwips(Label5, 3240, 675, 1770, 345);
  txtISPAmt = make<EntryField>(frExp[2], QStringLiteral("txtISPAmt"));
  placeTwips(txtISPAmt, 5130, 630, 975, 285);

  frExp[3]->setTitle(QStringLiteral("Bandwidth Count Setting"));
  placeTwips(frExp[3], 120, 1275, 6240, 1065);
  frExp[3]->hide();
  const char* bandwidth[] = {"Down&load + Upload", "D&ownload Only", "Upload Onl&y"};
  const int optRect[3][4] = {{180, 300, 2385, 225}, {180, 630, 3615, 225}, {2730, 300, 3345, 225}};
  for (std::size_t i = 0; i < ExOpt.size(); ++i) {
    ExOpt[i] = make<QRadioButton>(frExp[3], indexed("ExOpt", i));
    ExOpt[i]->setText(QString::fromLatin1(bandwidth[i]));
    placeTwips(ExOpt[i], optRect[i][0], optRect[i][1], optRect[i][2], optRect[i][3]);
  }
  ExOpt[0]->setChecked(true);

  frExp[1]->setTitle(QStringLiteral("Initial Call Settings"));
  placeTwips(frExp[1], 120, 2385, 6240, 1095);
  chkEnaExpIni = checkBox(frExp[1], QStringLiteral("chkEnaExpIni"), QStringLiteral("Ena&ble Initial Cost Setting"));
  placeTwips(chkEnaExpIni, 180, 300, 2400, 225);
  Label7 = label(frExp[1], QStringLiteral("Label7"), QStringLiteral("I&nitial Call Amount"));
  placeTwips(Label7, 3240, 300, 1770, 345);
  txtExpIniAmt = make<EntryField>(frExp[1], QStringLiteral("txtExpIniAmt"));
  placeTwips(txtExpIniAmt, 5130, 255, 975, 285);
  chkIntTime = checkBox(frExp[1], QStringLiteral("chkIntTime"),
                        QStringLiteral("Set New Call D&uration for Initial Call "));
  placeTwips(chkIntTime, 180, 675, 3045, 225);  // 2820 there: widened up to the label beside it
  Label2 = label(frExp[1], QStringLiteral("Label2"), QStringLiteral("&Initial Call Time (hh:mm:ss)"));
  placeTwips(Label2, 3225, 675, 2145, 345);
  txtInitTime = make<EntryField>(frExp[1], QStringLiteral("txtInitTime"));
  // Narrower than the 975 twips there and moved right, so that its label is not covered.
  placeTwips(txtInitTime, 5235, 630, 870, 285);

  frExp[0]->setTitle(QStringLiteral("Connection Settings"));
  placeTwips(frExp[0], 120, 3570, 6240, 705);
  chkEnaExpAll = checkBox(frExp[0], QStringLiteral("chkEnaExpAll"),
                          QStringLiteral("Enable only &with following connection"));
  placeTwips(chkEnaExpAll, 150, 270, 3264, 225);
  cmbExpCon = make<QComboBox>(frExp[0], QStringLiteral("cmbExpCon"));
  cmbExpCon->setEditable(true);
  cmbExpCon->setInsertPolicy(QComboBox::NoInsert);
  placeTwips(cmbExpCon, 3450, 240, 2610, 315);
}

void frmmExpense::buildFilterControls() {
  // The tick box is the frame's caption: it lies on the frame's top line and hides
  // the frame's own caption ("Connection Settings"), which is therefore left out.
  placeTwips(frExp[4], 120, 4350, 6240, 705);
  chkCondtion = checkBox(Frame10, QStringLiteral("chkCondtion"), QStringLiteral("Enable with &Following Condition"));
  placeTwips(chkCondtion, 270, 4350, 2715, 225);  // 2610 there
  chkCondtion->setAutoFillBackground(true);
  chkCondtion->raise();

  Combo5 = listCombo(frExp[4], QStringLiteral("Combo5"), counterItems());
  placeTwips(Combo5, 120, 270, 2340, 315);
  Combo6 = listCombo(frExp[4], QStringLiteral("Combo6"), comparisonItems());
  placeTwips(Combo6, 2520, 270, 2220, 315);
  // The closed lists cut the longer items; their drop-downs show them whole.
  for (QComboBox* c : {Combo5, Combo6}) c->view()->setMinimumWidth(c->view()->sizeHintForColumn(0) + ui::twips(300));
  txtVal = make<EntryField>(frExp[4], QStringLiteral("txtVal"));
  placeTwips(txtVal, 4800, 270, 1350, 315);
  txtHour = make<EntryField>(frExp[4], QStringLiteral("txtHour"));
  placeTwips(txtHour, 4800, 285, 675, 285);
  HourScroll = make<ui::SpinBar>(frExp[4], QStringLiteral("HourScroll"));
  placeTwips(HourScroll, 5280, 315, 165, 225);
  Label10 = label(frExp[4], QStringLiteral("Label10"), QStringLiteral(":"));
  Label10->setFont(QFont(QStringLiteral("Arial"), 12, QFont::Bold));
  placeTwips(Label10, 5475, 270, 105, 315);
  txtMin = make<EntryField>(frExp[4], QStringLiteral("txtMin"));
  placeTwips(txtMin, 5580, 285, 555, 285);
  MinScroll = make<ui::SpinBar>(frExp[4], QStringLiteral("MinScroll"));
  placeTwips(MinScroll, 5940, 315, 165, 225);
  // The spin arrows sit inside the right end of their boxes.
  HourScroll->raise();
  MinScroll->raise();
  Label11 = label(frExp[4], QStringLiteral("Label11"), QStringLiteral("(hh:mm)"));
  placeTwips(Label11, 5130, 0, 615, 195);  // 555 there
  Label11->setAutoFillBackground(true);
}

void frmmExpense::setTabOrderAndKeys() {
  const std::vector<QWidget*> order = {
      lstCondtions, CmdBut[6],   CmdBut[3],   CmdBut[2],    CmdBut[4],    CmdBut[5],   CmdBut[7],
      CmdBut[9],    CmdBut[0],   CmdBut[1],   Text1,        Combo3,       Combo1,      chkEnaHoliday,
      Combo4,       tPeriod[0],  tPeriod[1],  Combo2,       txtTime[0],   txtTime[1],  ExOpt[0],
      ExOpt[1],     ExOpt[2],    cmdDay[0],   advTime[0],   cmdDay[1],    advTime[1],  cmbCallTime,
      txtDiffCall,  chkEnaISPC,  txtISPAmt,   chkEnaExpIni, txtExpIniAmt, chkIntTime,  txtInitTime,
      chkEnaExpAll, cmbExpCon,   chkCondtion, Combo5,       Combo6,       txtHour,     HourScroll,
      txtMin,       MinScroll,   txtVal};
  // The spin arrows take no focus; the arrow keys of their boxes work them.
  QWidget* previous = nullptr;
  for (QWidget* w : order) {
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }

  Label8->setBuddy(cmbCallTime);
  Label6->setBuddy(txtDiffCall);
  Label5->setBuddy(txtISPAmt);
  Label7->setBuddy(txtExpIniAmt);
  Label2->setBuddy(txtInitTime);
  // A frame's access key goes to the control that follows its caption, whatever
  // had the focus in it last.
  const std::pair<QGroupBox*, QWidget*> frameKeys[] = {
      {Frame3, Text1}, {Frame1, Combo1}, {Frame2, Combo2}, {Frame5, cmdDay[0]}};
  for (const auto& [f, buddy] : frameKeys) {
    f->setProperty("accessBuddy", QVariant::fromValue<QObject*>(buddy));
    f->installEventFilter(this);
  }
}

void frmmExpense::connectRules() {
  connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
  connect(Combo2, &QComboBox::activated, this, [this] { Combo2_Click(); });
  connect(Combo3, &QComboBox::activated, this, [this] { Combo3_Click(); });
  connect(Combo5, &QComboBox::activated, this, [this] { Combo5_Click(); });
  connect(cmbCallTime, &QComboBox::activated, this, [this] { cmbCallTime_Click(); });
  connect(chkEnaExpIni, &QCheckBox::clicked, this, [this] { chkEnaExpIni_Click(); });
  connect(chkIntTime, &QCheckBox::clicked, this, [this] { chkIntTime_Click(); });
  connect(chkEnaISPC, &QCheckBox::clicked, this, [this] { chkEnaISPC_Click(); });
  connect(chkEnaExpAll, &QCheckBox::clicked, this, [this] { chkEnaExpAll_Click(); });
  connect(chkCondtion, &QCheckBox::clicked, this, [this] { chkCondtion_Click(); });

  connect(lstCondtions, &QListWidget::currentRowChanged, this, [this] { lstCondtions_Click(); });
  connect(lstCondtions, &QListWidget::itemDoubleClicked, this, [this] { lstCondtions_DblClick(); });
  // The selected entry cannot be unselected: the list always shows which one the
  // buttons act on.
  connect(lstCondtions, &QListWidget::itemSelectionChanged, this, [this] {
    if (lstCondtions->selectedItems().isEmpty() && lstCondtions->currentItem())
      lstCondtions->currentItem()->setSelected(true);
  });
  for (std::size_t i = 0; i < CmdBut.size(); ++i) {
    if (CmdBut[i]) connect(CmdBut[i], &QPushButton::clicked, this, [this, i] { CmdBut_Click(static_cast<int>(i)); });
  }
}

bool frmmExpense::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Shortcut) {
    if (auto* buddy = qobject_cast<QWidget*>(watched->property("accessBuddy").value<QObject*>())) {
      buddy->setFocus(Qt::ShortcutFocusReason);
      return true;
    }
  }
  return fieldKeyFilter(watched, event) || FormBase::eventFilter(watched, event);
}

}  // namespace prandel
