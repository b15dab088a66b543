// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace prandel::ui {

// The look every window shares: an 8-point sans font (metrics close to the
// tracker's), the Fusion style. Call once after the QApplication exists.
void applyAppStyle();

}  // namespace prandel::ui
