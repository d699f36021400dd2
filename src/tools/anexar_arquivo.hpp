#pragma once
// Appending to a file that several writers share.

#include <filesystem>
#include <string_view>

namespace vaultkeep {

// Appends `bytes` to the end of the file as one piece, creating the file (mode
// 0644 before the umask) when it is missing. An exclusive lock on the file is held
// for the append, so writers in other processes that lock it too never mix their
// pieces with ours. When a write fails part-way the file is cut back to the size
// it had, so no torn piece stays behind. Raises std::system_error carrying the
// system's text (for example "No space left on device") on any failure.
void anexarInteiro(const std::filesystem::path& arquivo, std::string_view bytes);

}  // namespace vaultkeep
