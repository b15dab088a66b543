// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SpinBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace prandel::ui {

SpinBar::SpinBar(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
}

void SpinBar::setValue(int v) {
  v = std::clamp(v, kMin, kMax);
  if (v == value_) return;
  value_ = v;
  emit valueChanged(value_);
}

SpinBar::Part SpinBar::partAt(const QPoint& p) const {
  if (!rect().contains(p)) return Part::None;
  return p.y() < height() / 2 ? Part::Up : Part::Down;
}

void SpinBar::step() {
  if (pressed_ == Part::Up) stepUp();
  else if (pressed_ == Part::Down) stepDown();
}

void SpinBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !isEnabled()) return;
  pressed_ = partAt(e->position().toPoint());
  step();
  repeatTimer_ = startTimer(400);
  update();
}

void SpinBar::mouseReleaseEvent(QMouseEvent*) {
  pressed_ = Part::None;
  if (repeatTimer_) killTimer(repeatTimer_);
  repeatTimer_ = 0;
  update();
}

void SpinBar::timerEvent(QTimerEvent* e) {
  if (e->timerId() != repeatTimer_) return;
  killTimer(repeatTimer_);
  repeatTimer_ = pressed_ == Part::None ? 0 : startTimer(60);
  step();
}

void SpinBar::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange && !isEnabled()) {
    pressed_ = Part::None;
    if (repeatTimer_) killTimer(repeatTimer_);
    repeatTimer_ = 0;
  }
  QWidget::changeEvent(e);
}

void SpinBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPalette& pal = palette();
  const int h = height();
  const int w = width();
  const QRectF up(0.5, 0.5, w - 1.0, h / 2.0 - 1.0);
  const QRectF down(0.5, h / 2.0 + 0.5, w - 1.0, h - h / 2.0 - 1.0);
  for (const auto& [r, part] : {std::pair{up, Part::Up}, std::pair{down, Part::Down}}) {
    p.setPen(pal.color(QPalette::Mid));
    p.setBrush(pressed_ == part ? pal.color(QPalette::Mid) : pal.color(QPalette::Button));
    p.drawRect(r);
    const QPointF c = r.center();
    const double a = std::max(2.0, std::min(r.width(), r.height()) / 3.0);
    QPainterPath tri;
    if (part == Part::Up) {
      tri.moveTo(c.x() - a, c.y() + a / 2);
      tri.lineTo(c.x() + a, c.y() + a / 2);
      tri.lineTo(c.x(), c.y() - a / 2);
    } else {
      tri.moveTo(c.x() - a, c.y() - a / 2);
      tri.lineTo(c.x() + a, c.y() - a / 2);
      tri.lineTo(c.x(), c.y() + a / 2);
    }
    tri.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Disabled, QPalette::ButtonText));
    p.drawPath(tri);
  }
}

}  // namespace prandel::ui
