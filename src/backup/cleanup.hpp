#pragma once
// Removal of old archives from the backup folder.

#include <chrono>
#include <string>

namespace vaultkeep {

// Deletes every "*.zip" (case-insensitive) in `pasta` and its sub-folders whose
// last modification falls on or before yesterday's calendar date in local time
// (`agora` decides what "today" is). Read-only archives go too; symbolic links
// are neither followed nor deleted; nothing else is touched. An empty or missing
// folder does nothing, and every error is swallowed.
void excluirArquivosAntigos(const std::string& pasta, std::chrono::system_clock::time_point agora =
                                                          std::chrono::system_clock::now());

// The clean-up of the saved backup folder `pastaBackup`.
void ExcluirArquivosAntigosDaPastaDeSalvamento();

}  // namespace vaultkeep
