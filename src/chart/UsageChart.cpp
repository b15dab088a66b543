// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/UsageChart.h"

#include <QFile>
#include <QLocale>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QSvgGenerator>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace prandel::chart {
namespace {

// Twenty colours that stay apart side by side: strong ones first, their light
// companions after, so that a cycle with few conditions gets only strong ones.
constexpr std::array<QRgb, 20> kPalette = {
    0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b, 0xe377c2, 0x17becf, 0xbcbd22, 0x393b79,
    0xaec7e8, 0xffbb78, 0x98df8a, 0xff9896, 0xc5b0d5, 0xc49c94, 0xf7b6d2, 0x9edae5, 0xdbdb8d, 0x637939};
const QColor kInk(0x22, 0x22, 0x22);
const QColor kMuted(0x66, 0x66, 0x66);
const QColor kGrid(0xe3, 0xe3, 0xe3);
const QColor kWeekend(0xf5, 0xf5, 0xf7);
const QColor kReceived(0x3a, 0x7d, 0xc9);
const QColor kSent(0xe8, 0xa3, 0x3d);
const QColor kCountdown(0x9c, 0x1f, 0x4a);

constexpr double kMargin = 28;
constexpr double kBytesPerKB = 1024.0;

QFont font(double pixels, bool bold = false) {
  QFont f;
  f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  f.setPixelSize(static_cast<int>(std::lround(pixels)));
  f.setBold(bold);
  return f;
}

// A step of 1, 2 or 5 times a power of ten that cuts 0..max into about `ticks` parts.
double niceStep(double max, int ticks) {
  if (!(max > 0) || !std::isfinite(max)) return 1;
  const double raw = max / ticks;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * power) return m * power;
  return 10 * power;
}

int decimalsFor(double step) { return std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 4); }

struct Scale {
  double max = 1;   // the axis' top
  double step = 1;  // between ticks
};

Scale scaleFor(double max) {
  Scale s;
  s.step = niceStep(max, 5);
  s.max = std::max(s.step, std::ceil(max / s.step - 1e-9) * s.step);
  return s;
}

struct Unit {
  double bytes;
  QString name;
};

Unit trafficUnit(double maxBytes) {
  if (maxBytes >= 0.9 * kBytesPerKB * kBytesPerKB * kBytesPerKB) return {kBytesPerKB * kBytesPerKB * kBytesPerKB, QStringLiteral("GB")};
  if (maxBytes >= 0.1 * kBytesPerKB * kBytesPerKB) return {kBytesPerKB * kBytesPerKB, QStringLiteral("MB")};
  return {kBytesPerKB, QStringLiteral("KB")};
}

class Painter {
 public:
  Painter(QPainter& p, const QRect& area, const tracker::Report& r, const ChartOptions& o) : p_(p), r_(r), o_(o) {
    area_ = QRectF(area);
  }

  void draw();

 private:
  QString number(double v, int decimals) const {
    QString t = QString::number(v, 'f', decimals);
    if (o_.decimal != u'.') t.replace(u'.', o_.decimal);
    return t;
  }
  QString money(double v, int decimals) const {
    return o_.currency.isEmpty() ? number(v, decimals) : o_.currency + u' ' + number(v, decimals);
  }
  void text(const QRectF& box, int flags, const QString& t, const QFont& f, const QColor& c) {
    p_.setFont(f);
    p_.setPen(c);
    p_.drawText(box, flags, t);
  }
  double width(const QString& t, const QFont& f) const { return QFontMetricsF(f).horizontalAdvance(t); }

  void drawHeader();
  void drawLegend(const QRectF& box);
  // A panel's frame, grid and left axis; returns the plot rectangle.
  void drawAxis(const QRectF& plot, const Scale& s, const std::function<QString(double)>& label);
  void drawDays(const QRectF& plot);
  void drawCost(const QRectF& plot);
  void drawTraffic(const QRectF& plot);
  void drawCountdown(const QRectF& plot);
  double slotX(const QRectF& plot, std::size_t i) const {
    return plot.left() + plot.width() * static_cast<double>(i) / static_cast<double>(r_.days.size());
  }
  double slotWidth(const QRectF& plot) const { return plot.width() / static_cast<double>(std::max<std::size_t>(1, r_.days.size())); }

  QPainter& p_;
  const tracker::Report& r_;
  const ChartOptions& o_;
  QRectF area_;
  double headerBottom_ = 0;
  std::vector<std::size_t> charged_;  // conditions with a charge, in legend order
  Scale costScale_, trafficScale_, countdownScale_;
  Unit unit_{1, {}};
  bool empty_ = true;
  bool countdown_ = false;
};

void Painter::drawHeader() {
  const QFont titleFont = font(22, true), subFont = font(14);
  const double x = area_.left() + kMargin, w = area_.width() - 2 * kMargin;
  double y = area_.top() + kMargin - 4;
  const QFontMetricsF tm(titleFont);
  text(QRectF(x, y, w, tm.height()), Qt::AlignLeft | Qt::AlignVCenter,
       tm.elidedText(o_.title, Qt::ElideRight, w), titleFont, kInk);
  y += tm.height() + 4;
  const auto& t = r_.totals;
  const qint64 s = t.countedSeconds;
  const QString counted = QStringLiteral("%1:%2:%3")
                              .arg(s / 3600, 2, 10, QLatin1Char('0'))
                              .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                              .arg(s % 60, 2, 10, QLatin1Char('0'));
  const QString sessions = t.sessions == 1 ? QStringLiteral("1 session") : QStringLiteral("%1 sessions").arg(t.sessions);
  const auto bytes = [&](std::uint64_t n) {
    const Unit u = trafficUnit(static_cast<double>(n));
    const double v = static_cast<double>(n) / u.bytes;
    return number(v, v < 10 ? 2 : (v < 100 ? 1 : 0)) + u' ' + u.name;
  };
  const QString line = QStringLiteral("%1  ·  counted time %2  ·  received %3  ·  sent %4  ·  cost %5")
                           .arg(sessions, counted, bytes(t.received), bytes(t.sent), money(t.cost, 2));
  const QFontMetricsF sm(subFont);
  text(QRectF(x, y, w, sm.height()), Qt::AlignLeft | Qt::AlignVCenter, sm.elidedText(line, Qt::ElideRight, w), subFont,
       kMuted);
  headerBottom_ = y + sm.height() + 18;
}

void Painter::drawLegend(const QRectF& box) {
  const QFont head = font(14, true), item = font(12.5);
  const QFontMetricsF hm(head), im(item);
  double y = box.top();
  text(QRectF(box.left(), y, box.width(), hm.height()), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Conditions"),
       head, kInk);
  y += hm.height() + 8;
  const double row = std::max(im.height(), 15.0) + 6;
  for (std::size_t c : charged_) {
    if (y + row > box.bottom()) break;
    p_.setPen(Qt::NoPen);
    p_.setBrush(conditionColour(c));
    p_.drawRect(QRectF(box.left(), y + (row - 6 - 13) / 2, 13, 13));
    const QString label = QString::fromStdString(r_.conditions[c].label);
    const double textW = box.width() - 20;
    text(QRectF(box.left() + 20, y, textW, row - 6), Qt::AlignLeft | Qt::AlignVCenter,
         im.elidedText(label, Qt::ElideRight, textW), item, kInk);
    y += row;
  }
}

void Painter::drawAxis(const QRectF& plot, const Scale& s, const std::function<QString(double)>& label) {
  const QFont tick = font(12);
  const QFontMetricsF fm(tick);
  // Weekends, so that a week is found at a glance.
  p_.setPen(Qt::NoPen);
  p_.setBrush(kWeekend);
  for (std::size_t i = 0; i < r_.days.size(); ++i) {
    if (r_.days[i].day.dayOfWeek() >= 6) p_.drawRect(QRectF(slotX(plot, i), plot.top(), slotWidth(plot), plot.height()));
  }
  const int ticks = static_cast<int>(std::lround(s.max / s.step));
  for (int k = 0; k <= ticks; ++k) {
    const double v = s.step * k;
    const double y = plot.bottom() - plot.height() * v / s.max;
    p_.setPen(QPen(k == 0 ? kMuted : kGrid, 1));
    p_.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    text(QRectF(area_.left(), y - fm.height() / 2, plot.left() - area_.left() - 8, fm.height()),
         Qt::AlignRight | Qt::AlignVCenter, label(v), tick, kMuted);
  }
}

void Painter::drawDays(const QRectF& plot) {
  const QFont dayFont = font(11.5), monthFont = font(11.5, true);
  const QFontMetricsF fm(dayFont);
  const double slot = slotWidth(plot);
  const auto every = static_cast<std::size_t>(std::max(1.0, std::ceil((fm.horizontalAdvance(QStringLiteral("30")) + 6) / slot)));
  const double y = plot.bottom() + 4;
  for (std::size_t i = 0; i < r_.days.size(); ++i) {
    const QDate d = r_.days[i].day;
    const bool monthStart = i == 0 || d.day() == 1;
    if (i % every == 0 || monthStart) {
      text(QRectF(slotX(plot, i) - 10, y, slot + 20, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
           QString::number(d.day()), dayFont, kMuted);
    }
    if (monthStart) {
      const QString month = QLocale::c().toString(d, QStringLiteral("MMM yyyy"));
      text(QRectF(slotX(plot, i), y + fm.height(), 200, fm.height()), Qt::AlignLeft | Qt::AlignTop, month, monthFont,
           kMuted);
    }
  }
}

void Painter::drawCost(const QRectF& plot) {
  const int decimals = std::max(costScale_.step < 1 ? 2 : 0, decimalsFor(costScale_.step));
  drawAxis(plot, costScale_, [&](double v) { return money(v, decimals); });
  const double slot = slotWidth(plot);
  const double bar = std::min(slot * 0.7, 60.0);
  for (std::size_t i = 0; i < r_.days.size(); ++i) {
    const auto& day = r_.days[i];
    double base = 0;
    const double x = slotX(plot, i) + (slot - bar) / 2;
    for (std::size_t c : charged_) {
      const double v = c < day.costByCondition.size() ? day.costByCondition[c] : 0;
      if (!(v > 0)) continue;
      const double y0 = plot.bottom() - plot.height() * base / costScale_.max;
      const double y1 = plot.bottom() - plot.height() * (base + v) / costScale_.max;
      p_.setPen(QPen(Qt::white, 0.75));
      p_.setBrush(conditionColour(c));
      p_.drawRect(QRectF(x, y1, bar, y0 - y1));
      base += v;
    }
  }
  if (empty_) {
    const QFont note = font(16);
    text(plot, Qt::AlignCenter, QStringLiteral("No calls logged in this period"), note, kMuted);
  }
}

void Painter::drawTraffic(const QRectF& plot) {
  const int decimals = decimalsFor(trafficScale_.step);
  drawAxis(plot, trafficScale_, [&](double v) { return number(v, decimals); });
  const double slot = slotWidth(plot);
  const double bar = std::min(slot * 0.36, 26.0);
  for (std::size_t i = 0; i < r_.days.size(); ++i) {
    const auto& day = r_.days[i];
    const double centre = slotX(plot, i) + slot / 2;
    const std::array<std::pair<double, QColor>, 2> pair = {
        std::pair{static_cast<double>(day.received) / unit_.bytes, kReceived},
        std::pair{static_cast<double>(day.sent) / unit_.bytes, kSent}};
    for (std::size_t k = 0; k < 2; ++k) {
      const double v = pair[k].first;
      if (!(v > 0)) continue;
      const double h = std::max(1.0, plot.height() * v / trafficScale_.max);
      p_.setPen(Qt::NoPen);
      p_.setBrush(pair[k].second);
      p_.drawRect(QRectF(k == 0 ? centre - bar - 0.5 : centre + 0.5, plot.bottom() - h, bar, h));
    }
  }
}

void Painter::drawCountdown(const QRectF& plot) {
  const QFont tick = font(12);
  const QFontMetricsF fm(tick);
  const int ticks = static_cast<int>(std::lround(countdownScale_.max / countdownScale_.step));
  const int decimals = decimalsFor(countdownScale_.step);
  p_.setPen(QPen(kCountdown, 1));
  p_.drawLine(QPointF(plot.right(), plot.top()), QPointF(plot.right(), plot.bottom()));
  for (int k = 0; k <= ticks; ++k) {
    const double v = countdownScale_.step * k;
    const double y = plot.bottom() - plot.height() * v / countdownScale_.max;
    p_.setPen(QPen(kCountdown, 1));
    p_.drawLine(QPointF(plot.right(), y), QPointF(plot.right() + 4, y));
    text(QRectF(plot.right() + 8, y - fm.height() / 2, 80, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
         number(v, decimals), tick, kCountdown);
  }
  QPainterPath path;
  bool open = false;
  std::vector<QPointF> points;
  for (std::size_t i = 0; i < r_.days.size(); ++i) {
    const auto& left = r_.days[i].countdownLeft;
    if (!left) {
      open = false;
      continue;
    }
    const QPointF pt(slotX(plot, i) + slotWidth(plot) / 2,
                     plot.bottom() - plot.height() * std::min(*left / 3600, countdownScale_.max) / countdownScale_.max);
    if (open) path.lineTo(pt);
    else path.moveTo(pt);
    open = true;
    points.push_back(pt);
  }
  p_.setBrush(Qt::NoBrush);
  p_.setPen(QPen(kCountdown, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p_.drawPath(path);
  p_.setBrush(kCountdown);
  p_.setPen(QPen(Qt::white, 1));
  for (const auto& pt : points) p_.drawEllipse(pt, 3.5, 3.5);
}

void Painter::draw() {
  p_.save();
  p_.setRenderHint(QPainter::Antialiasing, true);
  p_.setRenderHint(QPainter::TextAntialiasing, true);
  p_.fillRect(area_, Qt::white);

  double maxCost = 0, maxBytes = 0;
  for (const auto& d : r_.days) {
    maxCost = std::max(maxCost, d.cost);
    maxBytes = std::max({maxBytes, static_cast<double>(d.received), static_cast<double>(d.sent)});
    if (d.sessions > 0) empty_ = false;
  }
  for (std::size_t c = 0; c < r_.conditions.size(); ++c)
    if (r_.conditions[c].charge > 0) charged_.push_back(c);
  unit_ = trafficUnit(maxBytes);
  // A little room above the highest bar, so that it never touches the frame.
  costScale_ = maxCost > 0 ? scaleFor(maxCost * 1.04) : Scale{1, 0.2};
  trafficScale_ = maxBytes > 0 ? scaleFor(maxBytes / unit_.bytes * 1.04) : Scale{1, 0.2};
  countdown_ = o_.countdownTotal && *o_.countdownTotal > 0 && std::isfinite(*o_.countdownTotal);
  if (countdown_) countdownScale_ = scaleFor(*o_.countdownTotal / 3600);

  drawHeader();
  const QFont tick = font(12), panelFont = font(14, true), keyFont = font(12.5);
  const QFontMetricsF tm(tick), pm(panelFont), km(keyFont);
  // Room for the widest tick label on the left, and the countdown's on the right.
  const double leftAxis =
      std::max(width(money(costScale_.max, 2), tick), width(number(trafficScale_.max, 2), tick)) + 14;
  const double rightAxis = countdown_ ? width(number(countdownScale_.max, 2), tick) + 18 : 8;
  const double legendW = charged_.empty() ? 0 : std::min(330.0, area_.width() * 0.26);
  const double plotLeft = area_.left() + kMargin + leftAxis;
  const double plotRight = area_.right() - kMargin - legendW - (legendW > 0 ? 24 : 0) - rightAxis;
  const double dayLabels = tm.height() * 2 + 10;
  const double top = headerBottom_;
  const double bottom = area_.bottom() - kMargin;
  const double panelHead = pm.height() + 10;
  const double free = bottom - top - 2 * panelHead - 2 * dayLabels - 14;
  const double costH = free * 0.58, trafficH = free - costH;

  // Cost panel.
  double y = top;
  text(QRectF(plotLeft, y, plotRight - plotLeft, pm.height()), Qt::AlignLeft | Qt::AlignVCenter,
       o_.currency.isEmpty() ? QStringLiteral("Cost per day") : QStringLiteral("Cost per day (%1)").arg(o_.currency),
       panelFont, kInk);
  if (countdown_) {
    const QString key = QStringLiteral("Countdown left at the day's end (hours)");
    const double kw = width(key, keyFont);
    const double kx = plotRight + rightAxis - kw;
    p_.setPen(QPen(kCountdown, 2.5));
    p_.drawLine(QPointF(kx - 26, y + pm.height() / 2), QPointF(kx - 6, y + pm.height() / 2));
    text(QRectF(kx, y, kw + 2, pm.height()), Qt::AlignLeft | Qt::AlignVCenter, key, keyFont, kCountdown);
  }
  y += panelHead;
  const QRectF costPlot(plotLeft, y, plotRight - plotLeft, costH);
  drawCost(costPlot);
  if (countdown_) drawCountdown(costPlot);
  drawDays(costPlot);
  y += costH + dayLabels + 14;

  // Traffic panel.
  text(QRectF(plotLeft, y, plotRight - plotLeft, pm.height()), Qt::AlignLeft | Qt::AlignVCenter,
       QStringLiteral("Traffic per day (%1)").arg(unit_.name), panelFont, kInk);
  double kx = plotRight;
  const std::vector<std::pair<QString, QColor>> keys = {{QStringLiteral("Sent"), kSent}, {QStringLiteral("Received"), kReceived}};
  for (const auto& [name, colour] : keys) {
    if (empty_) break;  // nothing to tell apart
    const double kw = width(name, keyFont) + 2;
    kx -= kw;
    text(QRectF(kx, y, kw, pm.height()), Qt::AlignLeft | Qt::AlignVCenter, name, keyFont, kInk);
    p_.setPen(Qt::NoPen);
    p_.setBrush(colour);
    p_.drawRect(QRectF(kx - 19, y + pm.height() / 2 - 6.5, 13, 13));
    kx -= 19 + 16;
  }
  y += panelHead;
  const QRectF trafficPlot(plotLeft, y, plotRight - plotLeft, trafficH);
  drawTraffic(trafficPlot);
  drawDays(trafficPlot);

  if (legendW > 0) drawLegend(QRectF(area_.right() - kMargin - legendW, top, legendW, bottom - top));
  p_.restore();
}

}  // namespace

QColor conditionColour(std::size_t n) { return QColor::fromRgb(kPalette[n % kPalette.size()]); }

void drawUsageChart(QPainter& p, const QRect& area, const tracker::Report& report, const ChartOptions& options) {
  Painter(p, area, report, options).draw();
}

QImage usageChartImage(const tracker::Report& report, const ChartOptions& options, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  drawUsageChart(p, QRect(QPoint(0, 0), size), report, options);
  return image;
}

bool writeUsageChart(const QString& path, const tracker::Report& report, const ChartOptions& options, QString& error) {
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(kChartSize);
    svg.setViewBox(QRect(QPoint(0, 0), kChartSize));
    svg.setTitle(options.title);
    svg.setDescription(QStringLiteral("Cost and traffic per day, from the Zelkora session log"));
    QPainter p;
    if (!p.begin(&svg)) {
      error = QStringLiteral("cannot write ") + path;
      return false;
    }
    drawUsageChart(p, QRect(QPoint(0, 0), kChartSize), report, options);
    if (!p.end() || !QFile::exists(path)) {
      error = QStringLiteral("cannot write ") + path;
      return false;
    }
    return true;
  }
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
    error = QStringLiteral("a chart is written as .svg or .png, not ") + path;
    return false;
  }
  if (!usageChartImage(report, options).save(path, "PNG")) {
    error = QStringLiteral("cannot write ") + path;
    return false;
  }
  return true;
}

}  // namespace prandel::chart
