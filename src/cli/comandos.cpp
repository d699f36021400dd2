#include "cli/comandos.hpp"

#include <filesystem>
#include <memory>
#include <system_error>

#include "backup/cleanup.hpp"
#include "backup/pipeline.hpp"
#include "cli/trava_operacao.hpp"
#include "restore/messages.hpp"
#include "restore/restauracao.hpp"
#include "settings/registry.hpp"
#include "tools/integridade.hpp"
#include "ui/status.hpp"

namespace vaultkeep::cli {
namespace {

namespace fs = std::filesystem;

std::string absoluto(const std::string& caminho) {
    if (caminho.empty())
        return caminho;
    std::error_code ec;
    const fs::path p = fs::absolute(caminho, ec);
    return ec ? caminho : p.string();
}

// The run-time settings as an operation started from the window sees them.
bool carregarCompletas() {
    carregarConfiguracoesDeVariaveis();
    if (VerificarSeConfiguracoesForamPreenchidas())
        return true;
    definirMensagemStatus(kMsgConfiguracoesIncompletas);
    return false;
}

// The work root for this process alone, or the status text that says why not.
std::unique_ptr<TravaOperacao> travar() {
    auto trava = TravaOperacao::tentar();
    if (!trava)
        definirMensagemStatus(kMsgOperacaoEmAndamento);
    return trava;
}

}  // namespace

bool mostrarConfiguracoes(std::FILE* saida) {
    const ChaveRegistro chave;
    std::string texto;
    for (const char* nome : {kValorEstabelecimento, kValorUrlUpload, kValorUrlGetLink,
                             kValorArquivoBase, kValorPastaSalvamento})
        texto += std::string(nome) + "=" + chave.lerTexto(nome) + "\n";
    std::fwrite(texto.data(), 1, texto.size(), saida);
    return std::fflush(saida) == 0;
}

bool salvarConfiguracoesDaLinha(CamposConfiguracao campos) {
    campos.arquivoFirebird = absoluto(campos.arquivoFirebird);
    campos.pastaPadrao = absoluto(campos.pastaPadrao);
    const std::string erro = salvarConfiguracoes(campos);
    if (erro.empty())
        return true;
    definirMensagemStatus(erro);
    return false;
}

bool fazerBackup(UiPort& ui, const std::optional<std::string>& destino, bool online) {
    if (!carregarCompletas())
        return false;
    const auto trava = travar();
    if (!trava)
        return false;
    return realizarBackup(ui, arquivoBase, destino ? absoluto(*destino) : pastaBackup, online,
                          ExcluirArquivosAntigosDaPastaDeSalvamento);
}

bool restaurar(UiPort& ui, const std::optional<std::string>& arquivo) {
    if (!carregarCompletas())
        return false;
    const auto trava = travar();
    if (!trava)
        return false;
    if (!arquivo)
        return restaurarBackup(ui, "online", "");
    std::error_code ec;
    const std::string caminho = absoluto(*arquivo);
    if (caminho.empty() || !fs::is_regular_file(caminho, ec)) {
        definirMensagemStatus(kMsgSelecioneArquivo);
        return false;
    }
    return restaurarBackup(ui, "local", caminho);
}

bool verificar(UiPort& ui, const std::optional<std::string>& arquivo) {
    if (arquivo)
        return testarIntegridade(ui, absoluto(*arquivo));
    carregarConfiguracoesDeVariaveis();
    return testarIntegridade(ui, arquivoBase);
}

}  // namespace vaultkeep::cli
