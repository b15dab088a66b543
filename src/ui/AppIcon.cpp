// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIcon.h"

#include <QImage>
#include <QPixmap>

#include "AppIconPixels.h"

namespace prandel::ui {

// The pixels come from the menu's SVG icon, drawn at build time (cmake/AppIcon.cmake).
QIcon appIcon() {
  static const QIcon icon = [] {
    QIcon i;
    for (const auto& size : icon::kSizes) {
      const QImage image(reinterpret_cast<const uchar*>(size.argb), size.side, size.side,
                         QImage::Format_ARGB32_Premultiplied);
      i.addPixmap(QPixmap::fromImage(image));
    }
    return i;
  }();
  return icon;
}

}  // namespace prandel::ui
