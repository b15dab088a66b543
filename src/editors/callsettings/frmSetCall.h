#pragma once
#include "ui/PlaceholderForm.h"

namespace prandel {

class frmSetCall final : public ui::PlaceholderForm {
  Q_OBJECT
 public:
  explicit frmSetCall(ui::WindowContext& ctx, QWidget* parent = nullptr)
      : ui::PlaceholderForm(ctx, QStringLiteral("Call Settings"), parent) {}
};

}  // namespace prandel
