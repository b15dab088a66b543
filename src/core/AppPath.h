// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

namespace prandel {

// Where the data folder was found, for people who wonder why it is that one.
enum class DataFolderOrigin {
  IniBesideProgram,  // Zelkora.ini beside a copy of the programs in a folder of its own
  ProgramFolder,     // such a copy without Zelkora.ini: its records lie beside it
  UserConfig,        // $XDG_CONFIG_HOME/zelkora/Zelkora.ini
  SystemConfig,      // zelkora/Zelkora.ini of a $XDG_CONFIG_DIRS folder (/etc/xdg)
  UserData,          // $XDG_DATA_HOME/zelkora, the default of an installed copy
  Given,             // named by whoever asked (zktrack --data)
};

struct DataFolder {
  std::string path;     // empty only when no home folder is known
  DataFolderOrigin origin = DataFolderOrigin::ProgramFolder;
  std::string iniPath;  // the Zelkora.ini that named it, if one did
};

// The data folder, found the same way by prandel and zktrack. Nothing is created.
//
// A copy of the programs in a folder of the user's own works as the suite always did:
// the text after the first "=" of the first line of a Zelkora.ini beside it names the
// folder (line breaks count as "=" too; blanks around it and a trailing "/" or "\"
// dropped; relative to the program folder), else the program folder itself.
//
// An installed copy (see isInstalledLocation) never keeps records in its own folder,
// whoever runs it: the first of $XDG_CONFIG_HOME/zelkora/Zelkora.ini and the
// zelkora/Zelkora.ini of each $XDG_CONFIG_DIRS folder that names a folder (in the same
// way; relative to the ini's folder, "~/" for the home folder) wins, else
// $XDG_DATA_HOME/zelkora. The same holds for a copy in a folder its user cannot write
// that holds no records yet.
DataFolder locateDataFolder(const std::string& programDir);

// The data folder alone.
std::string SetAppPath(const std::string& programDir);

// Installed by a package manager or `cmake --install`: below /usr, /opt and the like,
// or in the bin folder of a prefix that holds share/doc/prandel.
bool isInstalledLocation(const std::string& programDir);

// $XDG_DATA_HOME/zelkora, or ~/.local/share/zelkora when that is not set to an
// absolute folder; empty when no home folder is known.
std::string userDataFolder();

// The value named by the ini text alone, before it is made absolute; empty when the
// text names no folder.
std::string dataFolderFromIni(const std::string& iniText);

// A sentence on where the folder came from: "named by /etc/xdg/zelkora/Zelkora.ini".
std::string describeOrigin(const DataFolder& folder);

// Folder of the running executable.
std::string executableDir();

}  // namespace prandel
