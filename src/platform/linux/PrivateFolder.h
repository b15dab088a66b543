// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A folder of the user's own for locks and runtime files, made and checked as tmux
// and ssh-agent make theirs: with mode 0700 when it is missing; one that is there
// already is used only when it is a real folder (no symbolic link) of the user's
// own that no one else can enter. Otherwise nothing there is changed: another user
// may have made it first to turn the programs away or to have its target's mode
// changed.
#include <string>

namespace prandel::platform {

// runtimeDir/name when runtimeDir (the value of $XDG_RUNTIME_DIR) is an absolute
// folder of the user's own, else sharedBase/name-<uid> (sharedBase is /tmp, where
// anyone may make anything).
std::string privateFolderFor(const char* runtimeDir, const std::string& sharedBase, unsigned uid,
                             const std::string& name);

// The folder, made when missing and open (O_DIRECTORY), once it is known to be the
// user's own; -1 and why not ("the lock folder /x belongs to ...") otherwise.
int openPrivateFolder(const std::string& folder, std::string& why);

}  // namespace prandel::platform
