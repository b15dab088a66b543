// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chart of a report: cost per day stacked by condition, traffic per day
// (received and sent side by side), and the countdown's time left as a line on an
// axis of its own. Drawn with QPainter only, into an image or an SVG file; needs a
// QGuiApplication for its fonts (the offscreen platform will do).
#include <QChar>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>
#include <optional>

#include "tracker/Report.h"

namespace prandel::chart {

struct ChartOptions {
  QString title;      // the period, and the connection when there is one
  QString currency;   // the label before amounts; may be empty
  QChar decimal = u'.';
  std::optional<double> countdownTotal;  // the countdown's length in seconds, when it is on
};

inline constexpr QSize kChartSize{1280, 860};

// The colour of the n-th condition of a report (by its index in Report::conditions).
QColor conditionColour(std::size_t n);

// Draws the chart into area, which should be about kChartSize.
void drawUsageChart(QPainter& p, const QRect& area, const tracker::Report& report, const ChartOptions& options);
QImage usageChartImage(const tracker::Report& report, const ChartOptions& options, QSize size = kChartSize);
// Writes the chart to path: SVG for a name ending in .svg, else PNG (.png). False
// with a message when the file cannot be written or its kind is unknown.
bool writeUsageChart(const QString& path, const tracker::Report& report, const ChartOptions& options, QString& error);

}  // namespace prandel::chart
