// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AccessibleNames.h"

#include <QComboBox>
#include <QLabel>

namespace prandel::ui {

QString spokenCaption(const QString& caption) {
  QString out;
  out.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&')) {
      ++i;  // the next character is the key, or the second "&" of a literal one
      if (i == caption.size()) break;
    }
    out += caption[i];
  }
  out = out.trimmed();
  if (out.endsWith(QLatin1Char(':'))) out = out.chopped(1).trimmed();
  return out;
}

namespace {

bool hasAccessKey(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != QLatin1Char('&')) continue;
    if (caption[i + 1] != QLatin1Char('&')) return true;
    ++i;
  }
  return false;
}

bool hasBuddyLabel(const QWidget* control) {
  const QWidget* parent = control->parentWidget();
  if (!parent) return false;
  for (const QLabel* l : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
    if (l->buddy() == control) return true;
  return false;
}

// Qt looks for a combo box's labels among its siblings.
void giveHiddenLabel(QComboBox* combo, const QString& name) {
  auto* label = new QLabel(combo->parentWidget());
  label->setObjectName(combo->objectName() + QStringLiteral("_label"));
  label->setTextFormat(Qt::PlainText);
  label->setText(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));  // no access key
  label->hide();
  label->setBuddy(combo);
}

}  // namespace

void nameControl(QWidget* control, const QString& caption) {
  if (!control) return;
  const QString name = spokenCaption(caption);
  control->setAccessibleName(name);
  if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->parentWidget() && !hasBuddyLabel(combo))
    giveHiddenLabel(combo, name);
}

void nameControl(QWidget* control, QLabel* label) {
  if (!control || !label) return;
  if (!label->buddy() && !hasAccessKey(label->text())) label->setBuddy(control);
  nameControl(control, label->text());
}

}  // namespace prandel::ui
