#pragma once
// The pieces of restaurarBackup: the two branches, the work folder they share
// with the backup, and the final step that both end with.

#include <filesystem>
#include <string>

#include "ui/ui_port.hpp"

namespace vaultkeep {

// Empties the work root and creates a fresh work folder for now. Throws
// std::runtime_error with a Portuguese text when the folder cannot be created.
std::filesystem::path prepararPastaTrabalho();

// Whether the path names a regular file (a folder does not count).
bool arquivoRegular(const std::filesystem::path& caminho);

// The local branch, for the archive `arquivo`.
bool restaurarLocal(UiPort& ui, const std::string& arquivo);

// The online branch: the newest archive of this establishment on the server.
bool restaurarOnline(UiPort& ui);

// Finds the extracted database file in `pastaTrabalho` and swaps it in for
// `arquivoBase`; sets the status text "Erro na restauração: Arquivo não existe"
// or "Restauração concluída com sucesso!" (a failed swap leaves its own).
bool etapaFinalRestauracao(UiPort& ui, const std::filesystem::path& pastaTrabalho);

}  // namespace vaultkeep
