// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>

namespace prandel::ui {

// The icon all windows share.
QIcon appIcon();

}  // namespace prandel::ui
