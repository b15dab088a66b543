// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <deque>
#include <vector>

#include "ui/Prompter.h"

namespace prandel::test {

// Records every message box and answers questions from a script (No when the
// script is empty).
class ScriptedPrompter final : public ui::Prompter {
 public:
  struct Shown {
    bool isQuestion;
    QString text;
    QString title;
  };
  void message(QWidget* parent, const QString& text, const QString& title) override;
  bool question(QWidget* parent, const QString& text, const QString& title) override;

  std::vector<Shown> shown;
  std::deque<bool> answers;
  QString lastText() const { return shown.empty() ? QString() : shown.back().text; }
};

}  // namespace prandel::test
