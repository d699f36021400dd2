#pragma once
// What an archive holds, without extracting anything.

#include <string>
#include <vector>

namespace vaultkeep {

// The entry names of `arquivo` (as text, in directory order), read the way the
// reader reads them. Throws like the reader when the file cannot be opened or is
// no archive.
std::vector<std::string> listarEntradasZip(const std::string& arquivo);

}  // namespace vaultkeep
