#pragma once
// The download of the archive the lookup found, and the question asked before it
// is restored.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "online/lookup.hpp"

namespace vaultkeep {

inline constexpr const char* kMsgRealizandoDownload = "Realizando download...";
inline constexpr const char* kMsgSemAplicativoDownload =
    "O aplicativo de download não existe. (wget.exe)";
inline constexpr const char* kMsgErroIniciarDownload = "Erro ao iniciar download.";
inline constexpr const char* kTituloConfirmacao = "Confirmação";

// Where the download is saved: the work folder followed by the server's file name
// reduced to its last component (by "/" or "\"), or "temp.zip" when that leaves
// nothing usable (empty, "." or ".."). The server's name can never place the file
// outside the work folder.
std::filesystem::path destinoDownload(const BackupOnline& backup,
                                      const std::filesystem::path& pastaTrabalho);

// The download tool's argument vector: the program `wget` (by the tool rule),
// the link, "-O" and the target, each one argument, nothing quoted. Throws
// std::runtime_error "O aplicativo de download não existe. (wget.exe)" when
// there is no wget, and "Erro ao iniciar download." when the link is empty or
// begins with "-" (the tool would read it as one of its options).
std::vector<std::string> comandoDownload(const BackupOnline& backup,
                                         const std::filesystem::path& pastaTrabalho);

// "Backup encontrado, deseja restaurar o backup do dia " + the date shown (from
// the server's date) + "  do estabelecimento " + the name + " ?". Shown with the
// caption kTituloConfirmacao, Yes and No, Yes the default.
std::string textoConfirmacaoRestauracao(const BackupOnline& backup,
                                        std::string_view nomeEstabelecimento);

}  // namespace vaultkeep
