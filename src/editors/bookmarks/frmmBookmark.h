#pragma once
#include "ui/PlaceholderForm.h"

namespace prandel {

class frmmBookmark final : public ui::PlaceholderForm {
  Q_OBJECT
 public:
  explicit frmmBookmark(ui::WindowContext& ctx, QWidget* parent = nullptr)
      : ui::PlaceholderForm(ctx, QStringLiteral("Zelkora Bookmarks"), parent) {}
};

}  // namespace prandel
