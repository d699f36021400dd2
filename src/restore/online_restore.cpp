#include <exception>
#include <string>
#include <vector>

#include "backup/pipeline.hpp"
#include "backup/zip_archive.hpp"
#include "common/paths.hpp"
#include "online/download.hpp"
#include "online/lookup.hpp"
#include "restore/messages.hpp"
#include "restore/restore_steps.hpp"
#include "settings/settings.hpp"
#include "tools/comando.hpp"
#include "tools/conexao.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {

bool falhar(const std::string& texto) {
    definirMensagemStatus(texto);
    return false;
}

// A download tool that could not reach the link still leaves an empty file
// under the target (wget opens it first). No archive is ever empty, so an empty
// file means nothing was downloaded.
bool algoBaixado(const fs::path& alvo) {
    std::error_code ec;
    return arquivoRegular(alvo) && fs::file_size(alvo, ec) > 0 && !ec;
}

}  // namespace

// The work folder is not removed at the end: the archive and the extracted file
// stay in it until the next backup or restore empties the work root.
bool restaurarOnline(UiPort& ui) {
    if (!testarConexao())
        return falhar(kMsgSemConexao);
    if (localizarPrograma("wget").empty())
        return falhar(kMsgSemAplicativoDownload);
    std::error_code ec;
    const fs::path pastaBase = fs::path(arquivoBase).parent_path();
    if (arquivoBase.empty() || !fs::is_directory(pastaBase, ec))
        return falhar(kMsgConfigurePastaBase);

    const fs::path trabalho = prepararPastaTrabalho();
    definirMensagemStatus(kMsgBuscandoInformacoes);
    BackupOnline backup;
    try {
        backup = consultarBackupOnline();
    } catch (const std::exception& e) {
        return falhar(kMsgErroConsulta + std::string(e.what()));
    }
    if (backup.link.empty())
        return falhar(kMsgErroIniciarDownload);

    std::vector<std::string> comando;
    try {
        comando = comandoDownload(backup, trabalho);
    } catch (const std::exception& e) {
        return falhar(e.what());
    }
    const fs::path alvo = destinoDownload(backup, trabalho);

    definirMensagemStatus(kMsgRealizandoDownload);
    const std::vector<std::string> parametros(comando.begin() + 1, comando.end());
    if (!executarEAguardar(ui, comando.front(), parametros))
        return falhar(kMsgSemAplicativoDownload);

    if (!ui.confirmar(kTituloConfirmacao, textoConfirmacaoRestauracao(backup, nomeEstabelecimento)))
        return falhar(kMsgOperacaoCancelada);
    if (!algoBaixado(alvo))
        return falhar(kMsgArquivoNaoExiste);

    definirMensagemStatus(kMsgDescompactando);
    try {
        extrairArquivos(ui, alvo.string(), trabalho.string(), "*.FDB", senhaZip);
    } catch (...) {
        return falhar(kMsgErroDescompactar);
    }
    return etapaFinalRestauracao(ui, trabalho);
}

}  // namespace vaultkeep
