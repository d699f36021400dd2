#pragma once
// The restore: puts the database held in a backup archive in place of the live
// database file, from a local archive or from the newest archive on the server.

#include <string>

#include "ui/ui_port.hpp"

namespace vaultkeep {

// `origem` is "local" (with `arquivo` the archive's full path) or "online" (with
// `arquivo` empty), compared exactly; any other text runs nothing and gives
// false. Reads `arquivoBase` and `senhaZip` (the online source also the server
// settings) as last loaded. Reports through the status text and `ui`; true only
// when the new database is in place and passed the check. Raises nothing.
bool restaurarBackup(UiPort& ui, const std::string& origem, const std::string& arquivo);

// Swaps the database file `base` for `novo` (see database_swap.hpp).
bool aplicarRestauracao(UiPort& ui, const std::string& novo, const std::string& base);

}  // namespace vaultkeep
