// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/EditorState.h"
#include "support/FakePlatform.h"
#include "support/StateKit.h"
#include "support/ScriptedPrompter.h"
#include "ui/EntryField.h"
#include "ui/FormBase.h"
#include "ui/Greying.h"
#include "ui/SpinBar.h"
#include "ui/Twips.h"

namespace prandel::ui {
namespace {

TEST(Twips, FifteenPerPixelAtNinetySixDpi) {
  // The offscreen platform reports 96 DPI.
  EXPECT_EQ(twips(1440), 96);
  EXPECT_EQ(twips(15), 1);
  EXPECT_EQ(twipsRect(6930, 6150, 1095, 345), QRect(462, 410, 73, 23));
}

TEST(EntryField, FilterDecidesWhatIsInsertedAndFocusSelectsAll) {
  QWidget host;
  auto* a = new EntryField(&host);
  auto* b = new EntryField(&host);
  a->setKeyFilter([](int key, const QString&) { return key >= '0' && key <= '9' ? key : 1; });
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  a->setFocus();
  QTest::keyClicks(a, QStringLiteral("1a2-3"));
  EXPECT_EQ(a->text(), QStringLiteral("123"));
  QTest::keyClick(a, Qt::Key_Backspace);
  EXPECT_EQ(a->text(), QStringLiteral("12"));

  QSignalSpy left(a, &EntryField::focusLeft);
  b->setFocus();
  EXPECT_EQ(left.count(), 1);
  a->setFocus();
  EXPECT_EQ(a->selectedText(), QStringLiteral("12"));
  QTest::keyClicks(a, QStringLiteral("7"));
  EXPECT_EQ(a->text(), QStringLiteral("7"));  // typing replaces the selection
}

TEST(Greying, DisabledFieldTakesTheWindowColourAndBack) {
  QWidget host;
  auto* f = new EntryField(&host);
  setFieldUsable(f, false);
  EXPECT_FALSE(f->isEnabled());
  EXPECT_TRUE(isFieldGreyed(f));
  EXPECT_EQ(f->palette().color(QPalette::Disabled, QPalette::Base), host.palette().color(QPalette::Window));
  setFieldUsable(f, true);
  EXPECT_TRUE(f->isEnabled());
  EXPECT_FALSE(isFieldGreyed(f));
  EXPECT_EQ(f->palette().color(QPalette::Active, QPalette::Base), QApplication::palette().color(QPalette::Base));
}

TEST(SpinBar, UpperArrowLowersTheValueAndEveryStepReports) {
  SpinBar bar;
  bar.resize(11, 16);
  QSignalSpy changed(&bar, &SpinBar::valueChanged);
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(5, 2));
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(5, 13));
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(5, 13));
  ASSERT_EQ(changed.count(), 3);
  EXPECT_EQ(changed[0][0].toInt(), SpinBar::kMiddle - 1);
  EXPECT_EQ(changed[2][0].toInt(), SpinBar::kMiddle + 1);
  bar.setValue(SpinBar::kMax);
  changed.clear();
  bar.stepDown();  // at the end of the range nothing happens
  EXPECT_EQ(changed.count(), 0);
}

class Probe final : public FormBase {
 public:
  Probe(WindowContext& ctx, int& unloads) : FormBase(ctx, QStringLiteral("Probe")), unloads_(unloads) {
    ok = new QPushButton(QStringLiteral("OK"), this);
    cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->move(0, 40);
    setCancelButton(cancel);
    setDefaultButton(ok);
  }
  QPushButton* ok;
  QPushButton* cancel;

 protected:
  void Form_Unload() override { ++unloads_; }

 private:
  int& unloads_;
};

TEST(FormBase, EscapeClicksTheCancelButtonAndTheCloseBoxUnloadsOnce) {
  test::FakePlatform fake;
  test::StandaloneState s(fake.services());
  test::ScriptedPrompter prompter;
  WindowContext ctx{s, prompter, {}};
  int unloads = 0;
  Probe w(ctx, unloads);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QSignalSpy cancelled(w.cancel, &QPushButton::clicked);
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(cancelled.count(), 1);
  EXPECT_TRUE(w.isVisible());  // Escape alone never closes the window
  w.cancel->setEnabled(false);
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(cancelled.count(), 1);

  EXPECT_TRUE(w.ok->isDefault());
  w.setDefaultButton(w.cancel);
  EXPECT_FALSE(w.ok->isDefault());

  w.close();
  w.unloadForm();
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(w.isVisible());
}

}  // namespace
}  // namespace prandel::ui
