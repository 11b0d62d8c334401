#pragma once

#include <filesystem>
#include <vector>

namespace cantelo {

// Where the editor's shipped files (the language file, the "BackGround" pictures) are looked
// for, first to last: the folder named by CANTELO_DATA_DIR, the program's own folder, the
// installed data folder beside it (../share/cantelo-edit), the build tree's data folder
// (../data), then the user's and the system's data folders.
std::vector<std::filesystem::path> dataFolders();

} // namespace cantelo
