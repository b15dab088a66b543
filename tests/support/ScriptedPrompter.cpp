// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedPrompter.h"

namespace prandel::test {

void ScriptedPrompter::message(QWidget*, const QString& text, const QString& title) {
  shown.push_back({false, text, title});
}

bool ScriptedPrompter::question(QWidget*, const QString& text, const QString& title) {
  shown.push_back({true, text, title});
  if (answers.empty()) return false;
  const bool a = answers.front();
  answers.pop_front();
  return a;
}

}  // namespace prandel::test
