#pragma once
#include "ui/PlaceholderForm.h"

namespace prandel {

class frmmHolidays final : public ui::PlaceholderForm {
  Q_OBJECT
 public:
  explicit frmmHolidays(ui::WindowContext& ctx, QWidget* parent = nullptr)
      : ui::PlaceholderForm(ctx, QStringLiteral("Holidays"), parent) {}
};

}  // namespace prandel
