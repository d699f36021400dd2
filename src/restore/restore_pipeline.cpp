#include <stdexcept>
#include <system_error>

#include "backup/work_folder.hpp"
#include "common/clock.hpp"
#include "common/paths.hpp"
#include "restore/messages.hpp"
#include "restore/restauracao.hpp"
#include "restore/restore_steps.hpp"
#include "settings/settings.hpp"
#include "tools/arquivos.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

fs::path prepararPastaTrabalho() {
    std::error_code ec;
    if (fs::exists(raizTrabalho(), ec))
        excluirPasta(raizTrabalho().string());
    const fs::path trabalho = pastaTrabalho(horaLocal());
    fs::create_directories(trabalho, ec);
    if (ec || !fs::is_directory(trabalho))
        throw std::runtime_error("não foi possível criar a pasta de trabalho " + trabalho.string() +
                                 " (" + (ec ? ec.message() : "não é uma pasta") + ").");
    return trabalho;
}

bool arquivoRegular(const fs::path& caminho) {
    std::error_code ec;
    return !caminho.empty() && fs::is_regular_file(caminho, ec);
}

bool etapaFinalRestauracao(UiPort& ui, const fs::path& pastaTrabalho) {
    const std::string banco = localizarArquivoFDB(pastaTrabalho.string() + "/");
    if (banco.empty() || !arquivoRegular(banco)) {
        definirMensagemStatus(kMsgArquivoNaoExiste);
        return false;
    }
    if (!aplicarRestauracao(ui, banco, arquivoBase))
        return false;
    definirMensagemStatus(kMsgRestauracaoConcluida);
    return true;
}

bool restaurarBackup(UiPort& ui, const std::string& origem, const std::string& arquivo) {
    try {
        if (origem == "local")
            return restaurarLocal(ui, arquivo);
        if (origem == "online")
            return restaurarOnline(ui);
    } catch (const std::exception& e) {
        definirMensagemStatus(kPrefixoErroRestauracao + std::string(e.what()));
    } catch (...) {
        definirMensagemStatus(std::string(kPrefixoErroRestauracao) + "erro inesperado.");
    }
    return false;
}

}  // namespace vaultkeep
