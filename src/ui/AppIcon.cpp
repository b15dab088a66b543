// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace prandel::ui {
namespace {

// A dial with a coin: time and what it costs.
QPixmap drawIcon(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  p.setPen(QPen(QColor(20, 60, 120), s / 16));
  p.setBrush(QColor(235, 242, 252));
  p.drawEllipse(QRectF(s * 0.06, s * 0.06, s * 0.7, s * 0.7));
  const QPointF c(s * 0.41, s * 0.41);
  p.setPen(QPen(QColor(20, 60, 120), s / 12, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, QPointF(s * 0.41, s * 0.18));
  p.drawLine(c, QPointF(s * 0.58, s * 0.48));
  p.setPen(QPen(QColor(150, 100, 0), s / 20));
  p.setBrush(QColor(245, 190, 40));
  p.drawEllipse(QRectF(s * 0.5, s * 0.5, s * 0.46, s * 0.46));
  return pm;
}

}  // namespace

QIcon appIcon() {
  static const QIcon icon = [] {
    QIcon i;
    for (int size : {16, 24, 32, 48, 64}) i.addPixmap(drawIcon(size));
    return i;
  }();
  return icon;
}

}  // namespace prandel::ui
