#pragma once
#include "ui/PlaceholderForm.h"

namespace prandel {

class frmmExpGraph final : public ui::PlaceholderForm {
  Q_OBJECT
 public:
  explicit frmmExpGraph(ui::WindowContext& ctx, QWidget* parent = nullptr)
      : ui::PlaceholderForm(ctx, QStringLiteral("Expense Graph"), parent) {}
};

}  // namespace prandel
