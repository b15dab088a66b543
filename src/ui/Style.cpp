#include "ui/Style.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>

namespace prandel::ui {

void applyAppStyle() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
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
