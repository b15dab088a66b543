// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every message box goes through this interface, so that tests can read the
// messages and answer the questions.
#include <QString>

class QWidget;

namespace prandel::ui {

inline const QString kProgramTitle = QStringLiteral("Prandel");

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message with an OK button only and no icon.
  virtual void message(QWidget* parent, const QString& text, const QString& title = kProgramTitle) = 0;
  // A question with Yes and No and a question icon; true for Yes.
  virtual bool question(QWidget* parent, const QString& text, const QString& title) = 0;
};

class QtPrompter final : public Prompter {
 public:
  void message(QWidget* parent, const QString& text, const QString& title) override;
  bool question(QWidget* parent, const QString& text, const QString& title) override;
};

}  // namespace prandel::ui
