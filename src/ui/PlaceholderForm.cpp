#include "ui/PlaceholderForm.h"

#include <QLabel>
#include <QPushButton>

#include "ui/Twips.h"

namespace prandel::ui {

PlaceholderForm::PlaceholderForm(WindowContext& context, const QString& caption, QWidget* parent)
    : FormBase(context, caption, parent) {
  setClientSizeTwips(4800, 1800);
  auto* label = new QLabel(caption, this);
  placeTwips(label, 240, 240, 4320, 600);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("Cancel"));
  placeTwips(cancel, 3465, 1215, 1095, 345);
  connect(cancel, &QPushButton::clicked, this, &PlaceholderForm::hideAndEnd);
  setCancelButton(cancel);
  setDefaultButton(cancel);
  setTopmost(true);
  centreOnScreen();
}

}  // namespace prandel::ui
