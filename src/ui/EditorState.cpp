// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EditorState.h"

#include "store/RecordIO.h"

namespace prandel::ui {

EditorState::EditorState(RecordFolder& f)
    : folder(f), platform(f.services()), regional(f.regional()), files(f.files()) {}

bool EditorState::MainRecIO(bool doWrite) { return store::MainRecIO(files, MainRec, doWrite); }

bool EditorState::LinkRecIO(bool doWrite) { return store::LinkRecIO(files, LinkRec, doWrite); }

}  // namespace prandel::ui
