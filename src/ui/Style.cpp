// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Style.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>

namespace prandel::ui {
namespace {

// Frames as the tracker's windows draw them: the line runs through the middle of the
// caption and is broken behind it. The layouts place a frame's first row of controls
// just below the caption's middle, so Fusion's line under the caption would cut
// through them.
class FrameStyle final : public QProxyStyle {
 public:
  explicit FrameStyle(QStyle* base) : QProxyStyle(base) {}

  void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                          const QWidget* w) const override {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(opt);
    if (cc != CC_GroupBox || !box || !(box->subControls & SC_GroupBoxFrame) ||
        (box->features & QStyleOptionFrame::Flat)) {
      QProxyStyle::drawComplexControl(cc, opt, p, w);
      return;
    }
    QRect caption;
    if (!box->text.isEmpty()) caption = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, w);
    if (box->subControls & SC_GroupBoxCheckBox) caption |= subControlRect(CC_GroupBox, box, SC_GroupBoxCheckBox, w);
    const QRect r = box->rect.adjusted(0, 0, -1, -1);
    const int top = caption.isValid() ? caption.center().y() : r.top();

    p->save();
    p->setPen(box->palette.color(QPalette::Mid));
    p->drawLine(r.left(), top, r.left(), r.bottom());
    p->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p->drawLine(r.right(), r.bottom(), r.right(), top);
    if (caption.isValid()) {
      p->drawLine(r.left(), top, std::max(r.left(), caption.left() - 3), top);
      p->drawLine(std::min(r.right(), caption.right() + 3), top, r.right(), top);
    } else {
      p->drawLine(r.left(), top, r.right(), top);
    }
    p->restore();

    QStyleOptionGroupBox rest(*box);
    rest.subControls &= ~SC_GroupBoxFrame;
    QProxyStyle::drawComplexControl(cc, &rest, p, w);
  }

  QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                       const QWidget* w) const override {
    QRect r = QProxyStyle::subControlRect(cc, opt, sc, w);
    // The caption starts a little in from the frame's left edge.
    if (cc == CC_GroupBox && (sc == SC_GroupBoxLabel || sc == SC_GroupBoxCheckBox)) r.translate(6, 0);
    return r;
  }
};

}  // namespace

void applyAppStyle() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(new FrameStyle(fusion));
  QFont font;
  const QStringList families = QFontDatabase::families();
  for (const QString& f : {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")}) {
    if (families.contains(f)) {
      font.setFamily(f);
      break;
    }
  }
  font.setPointSize(8);
  QApplication::setFont(font);
}

}  // namespace prandel::ui
