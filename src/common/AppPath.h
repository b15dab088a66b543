// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

namespace prandel {

// The data folder as the tracker's Zelkora.ini beside the program names it: the
// text after the first "=" of its first line (line breaks count as "=" too), blanks
// around it removed and a trailing "/" or "\" dropped. A relative folder is taken
// from the program folder. When the value is empty, names the root folder, or the
// ini file is missing or empty, the program folder itself. A named folder without
// a mlif.zkt in it is created (errors ignored). With no Zelkora.ini at all, a
// program folder that the user cannot write to and that holds no mlif.zkt gives
// way to the user's own data folder (userDataFolder, created when missing), so that
// a program installed in /usr/bin keeps its records in the user's home.
std::string SetAppPath(const std::string& programDir);

// $XDG_DATA_HOME/zelkora, or ~/.local/share/zelkora when that is not set to an
// absolute folder; empty when no home folder is known.
std::string userDataFolder();

// The value named by the ini text alone, before it is made absolute; empty when the
// text names no folder.
std::string dataFolderFromIni(const std::string& iniText);

// Folder of the running executable.
std::string executableDir();

}  // namespace prandel
