// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace prandel {
namespace ui {
class FormBase;
struct WindowContext;
}  // namespace ui

// The editor window of a request code (core/EditorRequests.h), created and loaded;
// nullptr for a code no editor serves.
ui::FormBase* createEditor(std::int16_t code, ui::WindowContext& ctx);

}  // namespace prandel
