#pragma once
#include "ui/FormBase.h"

namespace prandel::ui {

// An editor window that only has its caption and a Cancel button, for editors
// that are not built yet.
class PlaceholderForm : public FormBase {
  Q_OBJECT
 public:
  PlaceholderForm(WindowContext& ctx, const QString& caption, QWidget* parent = nullptr);
};

}  // namespace prandel::ui
