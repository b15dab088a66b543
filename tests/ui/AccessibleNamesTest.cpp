// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AccessibleNames.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace prandel::ui {
namespace {

TEST(SpokenCaption, DropsTheAccessKeyAndAClosingColon) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Period", "Period"},
      {"Call Ti&me", "Call Time"},
      {"Down&load + Upload", "Download + Upload"},
      {"Fish && Chips", "Fish & Chips"},
      {"&&&Both", "&Both"},
      {"Trailing &", "Trailing"},
      {"Valid Connection :", "Valid Connection"},
      {"Set New Call D&uration for Initial Call ", "Set New Call Duration for Initial Call"},
      {"(hh:mm:ss)", "(hh:mm:ss)"},
      {" ", ""},
      {"", ""},
  };
  for (const auto& [caption, said] : cases)
    EXPECT_EQ(spokenCaption(QString::fromLatin1(caption)).toStdString(), said) << caption;
}

std::string accessibleName(QWidget* w) {
  return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).toStdString();
}

// The names of the labels that a screen reader finds for the control.
std::string labelsOf(QWidget* w) {
  QStringList out;
  for (const auto& [label, relation] : QAccessible::queryAccessibleInterface(w)->relations(QAccessible::Label))
    out << label->text(QAccessible::Name);
  return out.join(QLatin1Char('|')).toStdString();
}

// A field in a frame is named by the frame's caption unless it has a name of its own.
TEST(NameControl, FieldTakesTheNameNotTheFramesCaption) {
  QWidget window;
  auto* frame = new QGroupBox(QStringLiteral("&Period"), &window);
  auto* from = new QLineEdit(frame);
  auto* to = new QLineEdit(frame);
  EXPECT_EQ(accessibleName(from), accessibleName(to));
  nameControl(from, QStringLiteral("Period from"));
  nameControl(to, QStringLiteral("Period to"));
  EXPECT_EQ(accessibleName(from), "Period from");
  EXPECT_EQ(accessibleName(to), "Period to");
  EXPECT_EQ(frame->title().toStdString(), "&Period");
}

// On Linux a combo box says its item as its name; what it is comes from its label.
TEST(NameControl, ComboBoxWithoutLabelGetsAHiddenOneWithoutAccessKey) {
  QWidget window;
  auto* combo = new QComboBox(&window);
  combo->setObjectName(QStringLiteral("Combo2"));
  combo->addItems({QStringLiteral("20")});
  auto* edit = new QLineEdit(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  nameControl(combo, QStringLiteral("Fish && Chips"));
  EXPECT_EQ(combo->accessibleName().toStdString(), "Fish & Chips");
  EXPECT_EQ(labelsOf(combo), "Fish & Chips");
  auto* hidden = window.findChild<QLabel*>(QStringLiteral("Combo2_label"));
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(hidden->isVisible());
  // No key of the hidden label moves the focus.
  edit->setFocus();
  QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(edit->hasFocus());
}

TEST(NameControl, ComboBoxWithItsOwnLabelGetsNoSecondOne) {
  QWidget window;
  auto* label = new QLabel(QStringLiteral("Reset &Period"), &window);
  auto* combo = new QComboBox(&window);
  label->setBuddy(combo);
  nameControl(combo, label);
  EXPECT_EQ(combo->accessibleName().toStdString(), "Reset Period");
  EXPECT_EQ(labelsOf(combo), "Reset Period");
  EXPECT_EQ(window.findChildren<QLabel*>().size(), 1);
}

// Two day lists showing the same day are told apart by their names, not called by
// the day they show, as Qt on Linux would call them; the day is their value. That
// holds for a list whose accessible side Qt made before it was named, and for one
// that takes typed text.
TEST(NameControl, AComboBoxSaysItsNameAndItsItemAsItsValue) {
  QWidget window;
  auto* from = new QComboBox(&window);
  auto* to = new QComboBox(&window);
  for (QComboBox* c : {from, to}) c->addItems({QStringLiteral("Sun"), QStringLiteral("Mon")});
  QAccessible::queryAccessibleInterface(to);  // made before it is named
  auto* typed = new QComboBox(&window);
  typed->setEditable(true);
  typed->addItems({QStringLiteral("Home ISP")});
  auto* unnamed = new QComboBox(&window);
  unnamed->addItems({QStringLiteral("Per Hour")});
  nameControl(from, QStringLiteral("Weekly period from day"));
  nameControl(to, QStringLiteral("Weekly period to day"));
  nameControl(typed, QStringLiteral("Connection"));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto said = [](QComboBox* c) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(c);
    return iface->text(QAccessible::Name).toStdString() + " = " + iface->text(QAccessible::Value).toStdString();
  };
  EXPECT_EQ(said(from), "Weekly period from day = Sun");
  EXPECT_EQ(said(to), "Weekly period to day = Sun");
  typed->setEditText(QStringLiteral("Work"));
  EXPECT_EQ(said(typed), "Connection = Work");
  EXPECT_EQ(said(unnamed), "Per Hour = Per Hour");
  to->setCurrentIndex(1);
  EXPECT_EQ(said(to), "Weekly period to day = Mon");

  // Still a combo box with its list and its text box, that opens on its action.
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(typed);
  EXPECT_EQ(iface->role(), QAccessible::ComboBox);
  ASSERT_EQ(iface->childCount(), 2);
  EXPECT_EQ(iface->child(0)->object(), typed->view());
  EXPECT_EQ(iface->child(1)->object(), typed->lineEdit());
  EXPECT_EQ(iface->indexOfChild(iface->child(1)), 1);
  EXPECT_TRUE(iface->state().editable);
  auto* actions = iface->actionInterface();
  ASSERT_NE(actions, nullptr);
  EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
  QAccessible::queryAccessibleInterface(from)->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
  EXPECT_TRUE(from->view()->isVisible());
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(from)->state().expanded);
  from->hidePopup();
}

// A label without an access key becomes the buddy: only a screen reader notices.
// One with an access key keeps its buddy, so that its key does what it did.
TEST(NameControl, OnlyALabelWithoutAccessKeyBecomesTheBuddy) {
  QWidget window;
  auto* plain = new QLabel(QStringLiteral("Valid Connection :"), &window);
  auto* keyed = new QLabel(QStringLiteral("&Link"), &window);
  auto* first = new QLineEdit(&window);
  auto* second = new QLineEdit(&window);
  nameControl(first, plain);
  EXPECT_EQ(plain->buddy(), first);
  EXPECT_EQ(accessibleName(first), "Valid Connection");

  nameControl(second, keyed);
  EXPECT_EQ(keyed->buddy(), nullptr);
  EXPECT_EQ(accessibleName(second), "Link");
  EXPECT_EQ(keyed->text().toStdString(), "&Link");
}

}  // namespace
}  // namespace prandel::ui
