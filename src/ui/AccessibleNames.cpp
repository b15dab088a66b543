// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AccessibleNames.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

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

// On Linux Qt gives a combo box its current item as its name, whatever name it was
// given: two day lists both showing Sunday are both called "Sun". This one says the
// name it was given, when it has one, and its item as its value; everything else is
// as Qt's: the list and the text box as its children, the popup as its action.
class NamedComboBox final : public QAccessibleWidget {
 public:
  explicit NamedComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name:
        if (!combo()->accessibleName().isEmpty()) return combo()->accessibleName();
        return item();
      case QAccessible::Value: return item();
      default: return QAccessibleWidget::text(t);
    }
  }
  int childCount() const override { return (combo()->view() ? 1 : 0) + (lineEdit() ? 1 : 0); }
  QAccessibleInterface* child(int index) const override {
    QWidget* kids[] = {combo()->view(), lineEdit()};
    int i = 0;
    for (QWidget* kid : kids) {
      if (!kid) continue;
      if (i++ == index) return QAccessible::queryAccessibleInterface(kid);
    }
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i)
      if (this->child(i) == child) return i;
    return -1;
  }
  QAccessibleInterface* focusChild() const override { return lineEdit() ? QAccessible::queryAccessibleInterface(lineEdit()) : nullptr; }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = combo()->view() && combo()->view()->isVisible();
    s.editable = combo()->isEditable();
    return s;
  }
  QStringList actionNames() const override { return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames(); }
  void doAction(const QString& name) override {
    if (name == showMenuAction() || name == pressAction()) {
      if (combo()->view() && combo()->view()->isVisible()) combo()->hidePopup();
      else combo()->showPopup();
    } else {
      QAccessibleWidget::doAction(name);
    }
  }

 private:
  QComboBox* combo() const { return static_cast<QComboBox*>(object()); }
  QLineEdit* lineEdit() const { return combo()->isEditable() ? combo()->lineEdit() : nullptr; }
  QString item() const { return lineEdit() ? lineEdit()->text() : combo()->currentText(); }
};

QAccessibleInterface* namedComboBoxes(const QString& className, QObject* object) {
  if (className != QLatin1String("QComboBox")) return nullptr;
  auto* combo = qobject_cast<QComboBox*>(object);
  return combo ? new NamedComboBox(combo) : nullptr;
}

// The combo box said by the name it was given. Qt makes a widget's accessible side as
// it builds the widget (and keeps it), so one made before is put aside first.
void sayNameOf(QComboBox* combo) {
  static const bool installed = (QAccessible::installFactory(&namedComboBoxes), true);
  (void)installed;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(combo);
  if (iface && !dynamic_cast<NamedComboBox*>(iface)) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
    QAccessible::queryAccessibleInterface(combo);
  }
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
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    sayNameOf(combo);
    if (combo->parentWidget() && !hasBuddyLabel(combo)) giveHiddenLabel(combo, name);
  }
}

void nameControl(QWidget* control, QLabel* label) {
  if (!control || !label) return;
  if (!label->buddy() && !hasAccessKey(label->text())) label->setBuddy(control);
  nameControl(control, label->text());
}

}  // namespace prandel::ui
