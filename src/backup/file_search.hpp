#pragma once
// The writer's file search: every file below a base folder (the folder itself and
// all its sub-folders) whose name matches a mask, in a stable order.

#include <filesystem>
#include <string>
#include <vector>

namespace vaultkeep {

namespace fs = std::filesystem;

// The matching files of `pastaBase` and its sub-folders: in each folder its own
// files first, then its sub-folders, both by name. Hidden files count; links to
// files count, links to folders are not followed (no loops); pipes, sockets and
// devices are not files. A folder that cannot be read contributes nothing, as a
// missing base folder does.
std::vector<fs::path> buscarArquivos(const fs::path& pastaBase, const std::string& mascara);

}  // namespace vaultkeep
