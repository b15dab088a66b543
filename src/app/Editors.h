// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace prandel {
namespace ui {
class FormBase;
struct WindowContext;
}  // namespace ui

// The editor window of a request code (501..506), created and loaded; nullptr for
// any other code.
ui::FormBase* createEditor(std::int16_t code, ui::WindowContext& ctx);

}  // namespace prandel
