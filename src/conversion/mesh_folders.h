// The meshes of an input folder: its sub-folders, in the order the desktop mesh list shows them
// (ascending by name with ASCII letter case ignored; names equal but for case by their bytes).
// Hidden folders (names beginning with ".") and plain files are not meshes.
#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace sheetwright::conversion {

// Empty when the folder does not exist or cannot be read; `error`, when given, then tells why (it
// is cleared on success).
std::vector<std::string> ListMeshes(const std::string& input_folder,
                                    std::error_code* error = nullptr);

// Throws base::ConversionError("<folder> を読み込めません: <reason>") unless `folder` is a folder
// that can be listed. A mesh folder that vanished (moved away, an unmounted share) would
// otherwise convert as a mesh without data files: a blank drawing over a good one.
void CheckMeshFolder(const std::string& folder);

// True when a sorts before b in the mesh list.
bool MeshNameLess(const std::string& a, const std::string& b);

}  // namespace sheetwright::conversion
