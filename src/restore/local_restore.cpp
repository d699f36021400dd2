#include "backup/zip_archive.hpp"
#include "common/paths.hpp"
#include "restore/messages.hpp"
#include "restore/restore_steps.hpp"
#include "settings/settings.hpp"
#include "tools/arquivos.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {

// The local branch leaves no work root behind once the extraction went through.
class RemoverRaizAoSair {
  public:
    RemoverRaizAoSair() = default;
    RemoverRaizAoSair(const RemoverRaizAoSair&) = delete;
    RemoverRaizAoSair& operator=(const RemoverRaizAoSair&) = delete;
    ~RemoverRaizAoSair() {
        try {
            excluirPasta(raizTrabalho().string());
        } catch (...) {
        }
    }
};

}  // namespace

bool restaurarLocal(UiPort& ui, const std::string& arquivo) {
    // Checked before anything is created: a folder or a vanished file restores
    // nothing and leaves the work root as it was.
    if (!arquivoRegular(arquivo)) {
        definirMensagemStatus(kMsgSelecioneArquivo);
        return false;
    }
    const fs::path trabalho = prepararPastaTrabalho();
    definirMensagemStatus(kMsgDescompactando);
    try {
        extrairArquivos(ui, arquivo, trabalho.string(), "*.FDB", senhaZip);
    } catch (...) {
        definirMensagemStatus(kMsgErroDescompactar);
        return false;
    }
    const RemoverRaizAoSair remover;
    return etapaFinalRestauracao(ui, trabalho);
}

}  // namespace vaultkeep
