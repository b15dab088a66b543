// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An editor state that keeps its own data folder object, for tests that need the
// editor's procedures without a window (start-up, the key filter, the closing steps).
#include <QLocale>

#include "core/RecordFolder.h"
#include "platform/Platform.h"
#include "ui/EditorState.h"

namespace prandel::test {

namespace detail {
// Made before the editor state that refers to it.
struct FolderOfState {
  RecordFolder folder_;
  FolderOfState(platform::Platform& services, const QLocale& locale) : folder_(services, locale) {}
};
}  // namespace detail

class StandaloneState : private detail::FolderOfState, public ui::EditorState {
 public:
  explicit StandaloneState(platform::Platform& services, const QLocale& locale = QLocale::system())
      : detail::FolderOfState(services, locale), ui::EditorState(folder_) {}
};

}  // namespace prandel::test
