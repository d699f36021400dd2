#include "online/download.hpp"

#include <stdexcept>

#include "common/paths.hpp"

namespace vaultkeep {

std::filesystem::path destinoDownload(const BackupOnline& backup,
                                      const std::filesystem::path& pastaTrabalho) {
    std::string_view nome = backup.originalFileName;
    if (const auto barra = nome.find_last_of("/\\"); barra != std::string_view::npos)
        nome.remove_prefix(barra + 1);
    if (nome.empty() || nome == "." || nome == "..")
        nome = "temp.zip";
    return pastaTrabalho / std::string(nome);
}

std::vector<std::string> comandoDownload(const BackupOnline& backup,
                                         const std::filesystem::path& pastaTrabalho) {
    const std::filesystem::path wget = localizarPrograma("wget");
    if (wget.empty())
        throw std::runtime_error(kMsgSemAplicativoDownload);
    if (backup.link.empty() || backup.link.front() == '-')
        throw std::runtime_error(kMsgErroIniciarDownload);
    return {wget.string(), backup.link, "-O", destinoDownload(backup, pastaTrabalho).string()};
}

std::string textoConfirmacaoRestauracao(const BackupOnline& backup,
                                        std::string_view nomeEstabelecimento) {
    return "Backup encontrado, deseja restaurar o backup do dia " +
           formatarDataServidor(backup.data) + "  do estabelecimento " +
           std::string(nomeEstabelecimento) + " ?";
}

}  // namespace vaultkeep
