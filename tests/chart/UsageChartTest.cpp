// SPDX-License-Identifier: GPL-3.0-or-later
// The report's chart: bars where the days have costs and traffic, in the colours of
// their conditions, nothing where they have none, the countdown's line, and SVG
// that a reader can parse with the texts a user looks for. With
// PRANDEL_CHART_SHOTS=DIR the charts are also written there as PNG, to be looked at.
#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>
#include <cstdlib>
#include <random>
#include <set>

#include "chart/UsageChart.h"
#include "support/TempDir.h"

namespace prandel::test {
namespace {

using chart::ChartOptions;
using tracker::Report;

// A report of the days from first to last with `conditions` conditions; each day
// with calls costs (day number / 10) split over the conditions in turn, and
// receives 40 MB and sends 4 MB per call.
Report makeReport(const QDate& first, const QDate& last, int conditions, int callsPerDay, unsigned seed = 1) {
  Report r;
  r.period = {tracker::PeriodKind::Cycle, first, last, {0, 0}};
  for (int c = 0; c < conditions; ++c) {
    const std::string label = "Condition " + std::to_string(c + 1) + ": $ " + std::to_string(1 + c) + ".20 Per Hour" +
                              (conditions > 10 ? ", on weekdays from 08:00 to 18:00 for the long label" : "");
    r.conditions.push_back({c + 1, label, 0, 0, 0});
  }
  std::mt19937 rng(seed);
  for (QDate d = first; d <= last; d = d.addDays(1)) {
    tracker::DayTotals day;
    day.day = d;
    day.costByCondition.assign(r.conditions.size(), 0);
    const int calls = callsPerDay < 0 ? static_cast<int>(rng() % 4) : callsPerDay;
    if (calls > 0 && conditions > 0) {
      day.sessions = calls;
      for (int k = 0; k < calls; ++k) {
        const std::size_t c = (static_cast<std::size_t>(d.day()) + static_cast<std::size_t>(k)) % r.conditions.size();
        const double cost = (d.day() / 10.0 + 0.3) * (1 + static_cast<double>(rng() % 5) / 4);
        day.costByCondition[c] += cost;
        day.cost += cost;
        r.conditions[c].charge += cost;
        day.received += 40ull << 20;
        day.sent += 4ull << 20;
        day.countedSeconds += 1800;
      }
    }
    r.totals.sessions += day.sessions;
    r.totals.cost += day.cost;
    r.totals.received += day.received;
    r.totals.sent += day.sent;
    r.totals.countedSeconds += day.countedSeconds;
    r.days.push_back(day);
  }
  return r;
}

void shoot(const QImage& image, const char* name) {
  if (const char* dir = std::getenv("PRANDEL_CHART_SHOTS")) image.save(QString::fromUtf8(dir) + u'/' + QLatin1String(name), "PNG");
}

// The colours found in a column of the image, over its height.
std::set<QRgb> coloursInColumn(const QImage& img, int x, int top, int bottom) {
  std::set<QRgb> out;
  for (int y = top; y < bottom; ++y) out.insert(img.pixel(x, y) & 0xffffff);
  return out;
}

// The x of the middle of day i's slot, found from the image: the cost bars of the
// days with costs lie in columns where the conditions' colours are.
bool hasColour(const QImage& img, QRgb colour, const QRect& where) {
  for (int y = where.top(); y <= where.bottom(); ++y)
    for (int x = where.left(); x <= where.right(); ++x)
      if ((img.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) return true;
  return false;
}

TEST(UsageChart, DrawsEachChargedConditionInItsOwnColourAndNothingOnEmptyDays) {
  // Three conditions; only the 14th and the 20th have calls.
  Report r = makeReport({2026, 12, 1}, {2026, 12, 31}, 3, 0);
  for (int d : {14, 20}) {
    auto& day = r.days[static_cast<std::size_t>(d - 1)];
    day.sessions = 2;
    day.costByCondition = {1.0, 0.5, d == 20 ? 2.0 : 0.0};
    day.cost = d == 20 ? 3.5 : 1.5;
    day.received = 80ull << 20;
    day.sent = 8ull << 20;
  }
  r.conditions[0].charge = 2;
  r.conditions[1].charge = 1;
  r.conditions[2].charge = 2;
  r.totals.sessions = 4;
  r.totals.cost = 5;
  ChartOptions o;
  o.title = QStringLiteral("Billing cycle 2026-12-01 to 2026-12-31");
  o.currency = QStringLiteral("$");
  const QImage img = chart::usageChartImage(r, o);
  shoot(img, "chart-few.png");
  ASSERT_EQ(img.size(), chart::kChartSize);

  // Every condition's colour is somewhere, each exactly in the bars' band of the
  // days that have it, and the 14th has no third colour.
  for (std::size_t c = 0; c < 3; ++c) EXPECT_TRUE(hasColour(img, chart::conditionColour(c).rgb(), img.rect())) << c;
  const int width = img.width();
  std::set<int> columnsWithCost;
  for (int x = 0; x < width * 3 / 4; ++x) {
    const auto colours = coloursInColumn(img, x, 60, img.height() / 2);
    if (colours.count(chart::conditionColour(0).rgb() & 0xffffff)) columnsWithCost.insert(x);
  }
  // Two bars, each a run of columns, the second farther right (the 20th).
  ASSERT_FALSE(columnsWithCost.empty());
  int runs = 1;
  for (auto it = std::next(columnsWithCost.begin()); it != columnsWithCost.end(); ++it)
    if (*it != *std::prev(it) + 1) ++runs;
  EXPECT_EQ(runs, 3) << "two bars and the legend's swatch are the only places of condition 1's colour";

  // Received and sent: drawn in the lower half only.
  EXPECT_TRUE(hasColour(img, QColor(0x3a, 0x7d, 0xc9).rgb(), QRect(0, img.height() / 2, width, img.height() / 2)));
  EXPECT_FALSE(hasColour(img, QColor(0x3a, 0x7d, 0xc9).rgb(), QRect(0, 0, width, img.height() / 3)));
}

TEST(UsageChart, AnEmptyPeriodIsAnEmptyChartWithANote) {
  Report r = makeReport({2026, 11, 15}, {2026, 12, 14}, 0, 0);
  ChartOptions o;
  o.title = QStringLiteral("Billing cycle 2026-11-15 to 2026-12-14");
  const QImage img = chart::usageChartImage(r, o);
  shoot(img, "chart-empty.png");
  // Nothing but greys.
  for (int y = 0; y < img.height(); y += 3)
    for (int x = 0; x < img.width(); x += 3) {
      const QColor c(img.pixel(x, y));
      ASSERT_LE(std::abs(c.red() - c.blue()) + std::abs(c.green() - c.blue()), 12) << x << "," << y;
    }
  TempDir dir;
  QString error;
  ASSERT_TRUE(chart::writeUsageChart(QString::fromStdString(dir.file("empty.svg")), r, o, error)) << error.toStdString();
  QFile f(QString::fromStdString(dir.file("empty.svg")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString svg = QString::fromUtf8(f.readAll());
  EXPECT_TRUE(svg.contains(QStringLiteral("No calls logged in this period")));
}

// 31 days, 20 conditions whose labels are too long for the legend, a countdown.
TEST(UsageChart, AFullMonthOfTwentyConditionsAsSvgWithEveryText) {
  Report r = makeReport({2026, 12, 1}, {2026, 12, 31}, 20, 3);
  for (std::size_t i = 0; i < 20; ++i) r.days[i].countdownLeft = 36000.0 - 1500.0 * static_cast<double>(i);
  ChartOptions o;
  o.title = QStringLiteral("Month December 2026");
  o.currency = QStringLiteral("€");
  o.decimal = u',';
  o.countdownTotal = 36000;
  shoot(chart::usageChartImage(r, o), "chart-twenty.png");

  TempDir dir;
  const QString path = QString::fromStdString(dir.file("month.svg"));
  QString error;
  ASSERT_TRUE(chart::writeUsageChart(path, r, o, error)) << error.toStdString();
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&f);
  std::set<QString> texts;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
      texts.insert(xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed());
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  for (const char* want : {"Month December 2026", "Cost per day (€)", "Traffic per day (MB)", "Received", "Sent",
                           "Conditions", "Countdown left at the day's end (hours)", "1", "15", "31", "Dec 2026", "10"}) {
    EXPECT_TRUE(texts.count(QString::fromUtf8(want))) << want;
  }
  // Money with its currency and the decimal comma; the long labels elided, each of the 20 there.
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const QString& t) { return t.startsWith(QStringLiteral("€ ")); }));
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const QString& t) { return t.contains(QStringLiteral("cost € ")) && t.contains(u','); }));
  for (int c = 1; c <= 20; ++c) {
    const QString start = QStringLiteral("Condition %1: ").arg(c);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.startsWith(start) && t.endsWith(QStringLiteral("…")); })) << c;
  }
}

TEST(UsageChart, ABusyMonthAndAWrongFileName) {
  Report r = makeReport({2026, 11, 15}, {2026, 12, 14}, 4, -1, 7);
  for (std::size_t i = 0; i < r.days.size(); ++i) r.days[i].countdownLeft = 20 * 3600.0 - 2000.0 * static_cast<double>(i);
  ChartOptions o;
  o.title = QStringLiteral("Billing cycle 2026-11-15 to 2026-12-14 (it starts on day 15)");
  o.currency = QStringLiteral("$");
  o.countdownTotal = 20 * 3600;
  shoot(chart::usageChartImage(r, o), "chart-cycle.png");
  TempDir dir;
  QString error;
  EXPECT_FALSE(chart::writeUsageChart(QString::fromStdString(dir.file("chart.gif")), r, o, error));
  EXPECT_FALSE(chart::writeUsageChart(QString::fromStdString(dir.file("no/such/folder/chart.png")), r, o, error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace prandel::test
