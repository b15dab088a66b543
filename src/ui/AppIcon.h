#pragma once
#include <QIcon>

namespace prandel::ui {

// The icon all windows share.
QIcon appIcon();

}  // namespace prandel::ui
