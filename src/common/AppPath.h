#pragma once
#include <string>

namespace prandel {

// The data folder as the tracker's Zelkora.ini beside the program names it: the
// text after the first "=" of its first line (line breaks count as "=" too), blanks
// around it removed and a trailing "/" or "\" dropped. A relative folder is taken
// from the program folder. When the value is empty, names the root folder, or the
// ini file is missing or empty, the program folder itself. A named folder without
// a mlif.zkt in it is created (errors ignored).
std::string SetAppPath(const std::string& programDir);

// The value named by the ini text alone, before it is made absolute; empty when the
// text names no folder.
std::string dataFolderFromIni(const std::string& iniText);

// Folder of the running executable.
std::string executableDir();

}  // namespace prandel
