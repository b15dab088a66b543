// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWidget>

namespace prandel::ui {

// A tiny up/down control that behaves like a vertical scroll bar used as a spin
// button: the upper arrow lowers the value by one, the lower arrow raises it, and
// every step reports the new value. Range 0..32000.
class SpinBar : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMin = 0;
  static constexpr int kMax = 32000;
  static constexpr int kMiddle = 16000;

  explicit SpinBar(QWidget* parent = nullptr);
  int value() const { return value_; }
  // Reports valueChanged when the value changes, as a scroll bar does.
  void setValue(int v);
  void stepUp() { setValue(value_ - 1); }
  void stepDown() { setValue(value_ + 1); }

  QSize sizeHint() const override { return {11, 15}; }

 signals:
  void valueChanged(int value);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  enum class Part { None, Up, Down };
  Part partAt(const QPoint& p) const;
  void step();

  int value_ = kMiddle;
  Part pressed_ = Part::None;
  int repeatTimer_ = 0;
};

}  // namespace prandel::ui
