#pragma once
#include "ui/PlaceholderForm.h"

namespace prandel {

class frmmExpense final : public ui::PlaceholderForm {
  Q_OBJECT
 public:
  explicit frmmExpense(ui::WindowContext& ctx, QWidget* parent = nullptr)
      : ui::PlaceholderForm(ctx, QStringLiteral("Zelkora Expense"), parent) {}
};

}  // namespace prandel
