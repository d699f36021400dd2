#include "settings/settings.hpp"

#include <filesystem>

#include "common/text.hpp"
#include "settings/cipher.hpp"
#include "settings/registry.hpp"

namespace vaultkeep {

std::string nomeEstabelecimento;
std::string urlUpload;
std::string urlGetLink;
std::string chaveServidor;
std::string senhaZip;
std::string arquivoBase;
std::string pastaBackup;

std::string segredoEmbutido() {
    return aparar(desencriptarstr(kCifradoEmbutido));
}

void carregarConfiguracoesDeVariaveis() {
    const ChaveRegistro chave;
    nomeEstabelecimento = chave.lerTexto(kValorEstabelecimento);
    urlUpload = chave.lerTexto(kValorUrlUpload);
    urlGetLink = chave.lerTexto(kValorUrlGetLink);
    chaveServidor = segredoEmbutido();
    arquivoBase = chave.lerTexto(kValorArquivoBase);
    senhaZip = segredoEmbutido();
    pastaBackup = chave.lerTexto(kValorPastaSalvamento);
}

bool VerificarSeConfiguracoesForamPreenchidas() {
    try {
        const ChaveRegistro chave;
        for (const char* nome : {kValorEstabelecimento, kValorUrlUpload, kValorArquivoBase,
                                 kValorPastaSalvamento, kValorUrlGetLink})
            if (chave.lerTexto(nome).empty())
                return false;
        return true;
    } catch (...) {
        return false;
    }
}

std::string textoUrlServidor(std::string_view urlUploadArmazenada) {
    std::string texto = removerSemCaixa(urlUploadArmazenada, "/upload");
    return texto.empty() ? std::string(kUrlServidorPadrao) : texto;
}

CamposConfiguracao carregarConfiguracoes() {
    const ChaveRegistro chave;
    CamposConfiguracao c;
    c.nomeBackupOnline = chave.lerTexto(kValorEstabelecimento);
    c.urlServidor = textoUrlServidor(chave.lerTexto(kValorUrlUpload));
    c.arquivoFirebird = chave.lerTexto(kValorArquivoBase);
    c.pastaPadrao = chave.lerTexto(kValorPastaSalvamento);
    return c;
}

std::string validarConfiguracoes(const CamposConfiguracao& c) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (c.nomeBackupOnline.empty())
        return "Informe o campo \"Nome do backup para armazenar no servidor online\" corretamente.";
    if (c.urlServidor.empty())
        return "Informe o campo \"URL do servidor\" corretamente.";
    // A symbolic link counts by its target; a folder is not a file.
    if (c.arquivoFirebird.empty() || !fs::exists(c.arquivoFirebird, ec) ||
        fs::is_directory(c.arquivoFirebird, ec))
        return "Informe o campo \"Arquivo de base de dados FIREBIRD\" corretamente.";
    if (c.pastaPadrao.empty() || !fs::is_directory(c.pastaPadrao, ec))
        return "Informe o campo \"Pasta padrão para salvamento dos backups\" corretamente.";
    return {};
}

std::string salvarConfiguracoes(const CamposConfiguracao& c) {
    ChaveRegistro chave;
    if (std::string erro = validarConfiguracoes(c); !erro.empty())
        return erro;
    chave.gravarTextos({
        {kValorEstabelecimento, c.nomeBackupOnline},
        {kValorUrlUpload, c.urlServidor},
        {kValorUrlGetLink, c.urlServidor + "/show"},
        {kValorArquivoBase, c.arquivoFirebird},
        {kValorPastaSalvamento, c.pastaPadrao},
    });
    return {};
}

}  // namespace vaultkeep
