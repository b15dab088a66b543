#pragma once
#include "ui/PlaceholderForm.h"

namespace prandel {

class frmmCountdown final : public ui::PlaceholderForm {
  Q_OBJECT
 public:
  explicit frmmCountdown(ui::WindowContext& ctx, QWidget* parent = nullptr)
      : ui::PlaceholderForm(ctx, QStringLiteral("Countdown"), parent) {}
};

}  // namespace prandel
