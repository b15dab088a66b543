// SPDX-License-Identifier: GPL-3.0-or-later
#include "expense/frmmExpGraph.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <span>

#include "core/ConditionMatching.h"
#include "core/ConditionTexts.h"
#include "store/ExpenseCondition.h"
#include "store/RecordIO.h"
#include "ui/AccessibleNames.h"
#include "ui/Controls.h"
#include "ui/EditorMatching.h"
#include "ui/EditorState.h"
#include "ui/Twips.h"

namespace prandel {

using store::ExpenseCondition;
using ui::placeTwips;
using ui::twips;

// --- GraphPicture ------------------------------------------------------------------

GraphPicture::GraphPicture(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void GraphPicture::setImage(QImage image) {
  image_ = std::move(image);
  update();
}

void GraphPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (image_.isNull()) p.fillRect(rect(), palette().window());
  else p.drawImage(0, 0, image_);
}

bool GraphPicture::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip && toolTipAt_) {
    auto* help = static_cast<QHelpEvent*>(e);
    const QString text = toolTipAt_(help->pos());
    if (text.isEmpty()) QToolTip::hideText();
    else QToolTip::showText(help->globalPos(), text, this);
    return true;
  }
  return QWidget::event(e);
}

// --- frmmExpGraph ----------------------------------------------------------------------

namespace {

using ui::indexed;
using ui::make;

const QString kDefaultItem = QStringLiteral("Default");
const QString kShowLegends = QStringLiteral("Show Legends");
const QString kHideLegends = QStringLiteral("Hide Legends");
const QString kNeverInForce = QStringLiteral("never in force this week");

// Fifteen minutes in the tracker's own constant, a little below 1/96 of a day.
constexpr double kSlotDays = 0.010416666;
constexpr int kSlotTwips = 15;
constexpr int kClientWidth = 10350;

// Left edge of slot s in the pictures, in pixels.
int slotX(int s) { return twips(kSlotTwips * s); }

}  // namespace

QColor frmmExpGraph::legendColour(int n) {
  static const std::array<QColor, kLegend> colours = {{
      {255, 255, 255}, {0, 255, 0},     {0, 0, 255},     {255, 0, 0},     {255, 128, 0},   {255, 0, 255},
      {0, 128, 0},     {255, 255, 0},   {0, 0, 128},     {64, 0, 0},      {128, 128, 128}, {132, 0, 132},
      {0, 154, 206},   {206, 48, 0},    {0, 255, 255},   {255, 255, 206}, {255, 207, 255}, {99, 255, 206},
      {99, 207, 255},  {156, 207, 0},   {255, 207, 156},
  }};
  return n >= 0 && n < kLegend ? colours[static_cast<std::size_t>(n)] : colours[0];
}

frmmExpGraph::frmmExpGraph(ui::WindowContext& context, QWidget* parent)
    : FormBase(context, QStringLiteral("Expense Graph"), parent) {
  setWindowHeightTwips(kClientWidth, 3300);
  buildControls();
  centreOnScreen();
  Form_Load();
}

void frmmExpGraph::buildControls() {
  Picture1 = make<GraphPicture>(this, QStringLiteral("Picture1"));
  placeTwips(Picture1, 120, 120, 10080, 405);
  PicGraph = make<GraphPicture>(this, QStringLiteral("PicGraph"));
  placeTwips(PicGraph, 120, 525, 10110, 1065);
  PicGraph->setToolTipAt([this](QPoint p) { return slotToolTip(slotAt(p.x())); });

  PicG = make<QFrame>(this, QStringLiteral("PicG"));
  PicG->setFrameShape(QFrame::Box);
  PicG->setAutoFillBackground(true);
  placeTwips(PicG, 120, 1635, 10110, 120);
  picWork = make<QFrame>(PicG, QStringLiteral("picWork"));
  picWork->setAutoFillBackground(true);
  QPalette work = picWork->palette();
  work.setColor(QPalette::Window, palette().color(QPalette::Highlight));
  picWork->setPalette(work);
  picWork->setGeometry(0, 0, twips(450), twips(120));
  PicG->hide();

  auto* periodCaption = make<QLabel>(this, QStringLiteral("lblPeriod"));
  periodCaption->setText(QStringLiteral("Period :"));
  placeTwips(periodCaption, 120, 1890, 660, 225);
  Label11 = make<QLabel>(this, QStringLiteral("Label11"));
  Label11->setText(QStringLiteral("Period :"));
  placeTwips(Label11, 780, 1890, 2520, 225);

  Label1 = make<QLabel>(this, QStringLiteral("Label1"));
  Label1->setText(QStringLiteral("Valid Connection :"));
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  placeTwips(Label1, 3330, 1860, 1410, 285);
  cmbExpCon = make<QComboBox>(this, QStringLiteral("cmbExpCon"));
  placeTwips(cmbExpCon, 4800, 1830, 2760, 315);
  ui::nameControl(cmbExpCon, Label1);
  connect(cmbExpCon, &QComboBox::activated, this, [this] {
    if (GraphReady) redraw(Move::Keep);
  });

  const std::pair<std::size_t, const char*> moves[] = {{2, "&Prev"}, {1, "&Next"}};
  const int moveLefts[] = {7815, 9135};
  for (std::size_t k = 0; k < std::size(moves); ++k) {
    auto* b = make<QPushButton>(this, indexed("Command1", moves[k].first));
    b->setText(QString::fromLatin1(moves[k].second));
    placeTwips(b, moveLefts[k], 1815, 1095, 345);
    Command1[moves[k].first] = b;
  }
  connect(Command1[1], &QPushButton::clicked, this, [this] { redraw(Move::Next); });
  connect(Command1[2], &QPushButton::clicked, this, [this] { redraw(Move::Prev); });

  const char* captions[] = {"&Refresh", "&Close", "S&tart Over", "&Show Legends"};
  for (std::size_t i = 0; i < CmdBut.size(); ++i) {
    CmdBut[i] = make<QPushButton>(this, indexed("CmdBut", i));
    CmdBut[i]->setText(QString::fromLatin1(captions[i]));
  }
  connect(CmdBut[0], &QPushButton::clicked, this, [this] { redraw(Move::Keep); });
  connect(CmdBut[1], &QPushButton::clicked, this, &QWidget::close);
  connect(CmdBut[2], &QPushButton::clicked, this, [this] { redraw(Move::StartOver); });
  connect(CmdBut[3], &QPushButton::clicked, this, &frmmExpGraph::CmdBut3_Click);

  buildLegend();
  placeLegend(3300, 0, 2400);

  QWidget::setTabOrder(cmbExpCon, Command1[2]);
  QWidget::setTabOrder(Command1[2], Command1[1]);
  QWidget::setTabOrder(Command1[1], CmdBut[0]);
  QWidget::setTabOrder(CmdBut[0], CmdBut[2]);
  QWidget::setTabOrder(CmdBut[2], CmdBut[3]);
  QWidget::setTabOrder(CmdBut[3], CmdBut[1]);
  setDefaultButton(nullptr);
  setCancelButton(CmdBut[1]);
}

void frmmExpGraph::buildLegend() {
  Frame1 = make<QGroupBox>(this, QStringLiteral("Frame1"));
  Frame1->hide();
  for (int n = 0; n < kLegend; ++n) {
    const int row = n / 7, col = n % 7;
    auto* swatch = make<QLabel>(Frame1, indexed("lblColor", static_cast<std::size_t>(n)));
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    QPalette pal = swatch->palette();
    pal.setColor(QPalette::Window, legendColour(n));
    swatch->setPalette(pal);
    placeTwips(swatch, 150 + col * 1425, 240 + row * 540, 330, 210);
    auto* name = make<QLabel>(Frame1, indexed("lblCond", static_cast<std::size_t>(n)));
    name->setText(n == 0 ? QStringLiteral("No Condition") : conditionEntry(n));
    placeTwips(name, 555 + col * 1425, 225 + row * 540, 990, 240);
    lblColor[static_cast<std::size_t>(n)] = swatch;
    lblCond[static_cast<std::size_t>(n)] = name;
  }
}

void frmmExpGraph::placeLegend(int windowHeight, int frameHeight, int buttonTop) {
  setWindowHeightTwips(kClientWidth, windowHeight);
  if (frameHeight > 0) placeTwips(Frame1, 120, 2400, 10110, frameHeight);
  const int lefts[] = {120, 9135, 1335, 2550};  // Refresh, Close, Start Over, legend
  const int widths[] = {1095, 1095, 1095, 1500};
  for (std::size_t i = 0; i < CmdBut.size(); ++i) placeTwips(CmdBut[i], lefts[i], buttonTop, widths[i], 345);
}

void frmmExpGraph::Form_Load() {
  setTopmost(true);
  GraphStart = ctx.state.today();
  ListDUNs();
  drawChart();
  GraphReady = true;
}

void frmmExpGraph::Form_Unload() {}

void frmmExpGraph::ListDUNs() {
  const QSignalBlocker block(cmbExpCon);
  cmbExpCon->clear();
  cmbExpCon->addItem(kDefaultItem);
  if (auto* dialup = ctx.state.platform.dialup) {
    const auto names = dialup->entryNames();
    const std::size_t n = std::min<std::size_t>(names.size(), 256);
    for (std::size_t i = 0; i < n; ++i) cmbExpCon->addItem(QString::fromStdString(names[i]));
  }
  cmbExpCon->setCurrentIndex(0);
}

void frmmExpGraph::setBusy(bool busy) {
  for (QPushButton* b : {Command1[1], Command1[2], CmdBut[0], CmdBut[1], CmdBut[2], CmdBut[3]}) b->setEnabled(!busy);
  cmbExpCon->setEnabled(!busy);
  PicG->setVisible(busy);
}

void frmmExpGraph::redraw(Move move) {
  setBusy(true);
  switch (move) {
    case Move::Next: GraphStart += 1; break;
    case Move::Prev: GraphStart -= 1; break;
    case Move::StartOver: {
      GraphStart = ctx.state.today();
      const QSignalBlocker block(cmbExpCon);
      cmbExpCon->setCurrentIndex(0);
      break;
    }
    case Move::Keep: break;
  }
  drawChart();
  setBusy(false);
}

void frmmExpGraph::drawChart() {
  ui::EditorState& s = ctx.state;
  const qreal dpr = devicePixelRatioF();
  auto canvas = [dpr](const QWidget* w, const QColor& fill) {
    QImage img(w->size() * dpr, QImage::Format_RGB32);
    img.setDevicePixelRatio(dpr);
    img.fill(fill);
    return img;
  };
  QImage chart = canvas(PicGraph, Qt::white);
  QImage strip = canvas(Picture1, palette().color(QPalette::Window));
  QPainter chartPainter(&chart);
  QPainter stripPainter(&strip);
  stripPainter.setPen(QPen(palette().color(QPalette::WindowText), 1));
  stripPainter.setFont(font());
  const QFontMetrics metrics(font());
  SlotWidth = PicG->width() / 672.0;

  s.EvalConn = cmbExpCon->currentText() == kDefaultItem ? kDefaultConnection : cmbExpCon->currentText();
  Label11->setText(s.regional.formatDate(GraphStart, QStringLiteral("d, Mmm")) + QStringLiteral(" To ") +
                   s.regional.formatDate(GraphStart + 6, QStringLiteral("d, Mmm")));

  inForce_.fill(false);
  const int chartHeight = PicGraph->height();
  for (int slot = 0; slot < kSlots; ++slot) {
    const int x = slotX(slot);
    s.EvalMoment = GraphStart + slot * kSlotDays;
    const int c = std::clamp(GetActiveCondition(s, ExpenseCondition::WorkBase), 0, kLegend - 1);
    slotCond_[static_cast<std::size_t>(slot)] = c;
    inForce_[static_cast<std::size_t>(c)] = true;

    if (PicG->isVisible() && slot % 24 == 0) {
      picWork->move(static_cast<int>(slot * SlotWidth), 0);
      PicG->repaint();
    }
    if (slot % 96 == 0) {
      stripPainter.drawLine(x, 0, x, strip.height());
      QString day = s.regional.formatDate(s.EvalMoment, QStringLiteral("Dddd")) + QStringLiteral(", ") +
                    s.regional.formatDate(s.EvalMoment, QStringLiteral("d"));
      // A long day name gives way to its abbreviation rather than run into the next day.
      if (metrics.horizontalAdvance(day) > slotX(96) - 6)
        day = s.regional.formatDate(s.EvalMoment, QStringLiteral("Ddd")) + QStringLiteral(", ") +
              s.regional.formatDate(s.EvalMoment, QStringLiteral("d"));
      const int centre = x + twips(720);
      const int w = metrics.horizontalAdvance(day);
      stripPainter.drawText(QRect(centre - w / 2 - 2, twips(15), w + 4, metrics.height()), Qt::AlignCenter, day);
    } else if (slot % 24 == 0) {
      stripPainter.drawLine(x, twips(300), x, twips(400));
    }
    const int width = std::max(1, slotX(slot + 1) - x);
    chartPainter.fillRect(x, 0, width, chartHeight, legendColour(c));
  }
  s.EvalConn.clear();
  condCount_ = std::clamp(s.CondCount, 0, kLegend - 1);
  chartPainter.end();
  stripPainter.end();
  PicGraph->setImage(std::move(chart));
  Picture1->setImage(std::move(strip));

  // The descriptions the tooltips give, from the conditions as they were drawn.
  std::array<std::uint8_t, ExpenseCondition::Slots * ExpenseCondition::Size> block{};
  const bool read = s.files.readRecords(ExpenseCondition::Channel, ExpenseCondition::WorkBase + 1,
                                        ExpenseCondition::Slots, block);
  for (int n = 1; n < kLegend; ++n) {
    QString& text = description_[static_cast<std::size_t>(n)];
    text.clear();
    if (!read || n > condCount_) continue;
    ExpenseCondition c;
    c.decode(std::span<const std::uint8_t, ExpenseCondition::Size>(
        block.data() + static_cast<std::size_t>(n - 1) * ExpenseCondition::Size, ExpenseCondition::Size));
    QStringList lines;
    for (const auto& line : describeCondition(s.regional, s.MainRec, c))
      if (line && !line->isEmpty()) lines << *line;
    text = lines.join(QLatin1Char('\n'));
  }

  if (CmdBut[3]->text() != kShowLegends) {
    CmdBut[3]->setText(kShowLegends);
    CmdBut3_Click();
  }
}

void frmmExpGraph::markLegend(int n, bool neverInForce) {
  QLabel* name = lblCond[static_cast<std::size_t>(n)];
  QFont f = name->font();
  f.setStrikeOut(neverInForce);
  name->setFont(f);
  QPalette pal = name->palette();
  pal.setColor(QPalette::WindowText, neverInForce ? palette().color(QPalette::Disabled, QPalette::WindowText)
                                                  : palette().color(QPalette::WindowText));
  name->setPalette(pal);
  QString tip = description_[static_cast<std::size_t>(n)];
  if (neverInForce) tip = tip.isEmpty() ? kNeverInForce : kNeverInForce + QLatin1Char('\n') + tip;
  name->setToolTip(tip);
  lblColor[static_cast<std::size_t>(n)]->setToolTip(tip);
}

void frmmExpGraph::CmdBut3_Click() {
  if (CmdBut[3]->text() == kShowLegends) {
    for (int n = 1; n < kLegend; ++n) {
      lblColor[static_cast<std::size_t>(n)]->hide();
      lblCond[static_cast<std::size_t>(n)]->hide();
    }
    const int count = condCount_;
    for (int n = 1; n <= count; ++n) {
      markLegend(n, !inForce_[static_cast<std::size_t>(n)]);
      lblColor[static_cast<std::size_t>(n)]->show();
      lblCond[static_cast<std::size_t>(n)]->show();
    }
    if (count < 7) placeLegend(3975, 615, 3090);
    else if (count < 14) placeLegend(4515, 1155, 3600);
    else placeLegend(5100, 1695, 4200);
    Frame1->show();
    CmdBut[3]->setText(kHideLegends);
  } else {
    placeLegend(3300, 0, 2400);
    Frame1->hide();
    CmdBut[3]->setText(kShowLegends);
  }
}

QString frmmExpGraph::slotToolTip(int slot) const {
  if (slot < 0 || slot >= kSlots) return {};
  const ui::EditorState& s = ctx.state;
  const double start = GraphStart + slot / 96.0;
  const auto day = Regional::datePart(start);
  if (!day) return {};
  const QString hhmm = QStringLiteral("hh:mm");
  QString text = s.regional.locale().toString(*day, QLocale::LongFormat) + QLatin1Char('\n') +
                 s.regional.formatDate(start, hhmm) + QStringLiteral(" - ") +
                 s.regional.formatDate(start + 1.0 / 96.0, hhmm) + QLatin1Char('\n');
  const int c = slotCond_[static_cast<std::size_t>(slot)];
  if (c == 0) return text + QStringLiteral("No Condition");
  text += conditionEntry(c);
  const QString& desc = description_[static_cast<std::size_t>(c)];
  if (!desc.isEmpty()) text += QLatin1Char('\n') + desc;
  return text;
}

int frmmExpGraph::slotAt(int x) const {
  if (x < 0) return -1;
  for (int slot = 0; slot < kSlots; ++slot)
    if (x < slotX(slot + 1)) return slot;
  return -1;
}

}  // namespace prandel
