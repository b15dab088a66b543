#pragma once
#include "ui/PlaceholderForm.h"

namespace prandel {

class frmmIEBook final : public ui::PlaceholderForm {
  Q_OBJECT
 public:
  explicit frmmIEBook(ui::WindowContext& ctx, QWidget* parent = nullptr)
      : ui::PlaceholderForm(ctx, QStringLiteral("Import Bookmarks"), parent) {}
};

}  // namespace prandel
