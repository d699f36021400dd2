#include "online/lookup.hpp"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <vector>

#include "common/codepage.hpp"
#include "common/text.hpp"
#include "online/form_request.hpp"
#include "online/multipart_form.hpp"
#include "settings/settings.hpp"
#include "tools/md5.hpp"

namespace vaultkeep {
namespace {

std::string membroComoTexto(const nlohmann::json& objeto, const char* nome) {
    const auto it = objeto.find(nome);
    if (it == objeto.end() || it->is_null())
        return {};
    if (it->is_string())
        return it->get<std::string>();
    if (it->is_boolean())
        return it->get<bool>() ? "true" : "false";
    if (it->is_number())
        return it->dump();
    throw std::runtime_error(std::string("O membro \"") + nome +
                             "\" da resposta do servidor não é um texto");
}

}  // namespace

std::string chaveConsulta(std::string_view nome) {
    return "'" + md5Hex(nome) + "'";
}

BackupOnline lerRespostaConsulta(std::string_view corpo) {
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(aparar(corpo));
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(e.what());
    }
    if (!json.is_object())
        throw std::runtime_error("A resposta do servidor não é um objeto JSON");
    BackupOnline b;
    b.link = membroComoTexto(json, "link");
    b.data = membroComoTexto(json, "date");
    b.originalFileName = membroComoTexto(json, "originalFileName");
    return b;
}

BackupOnline consultarBackupOnline() {
    FormularioMultipart formulario;
    formulario.adicionarTexto("filekey", chaveConsulta(nomeEstabelecimento));
    OpcoesRequisicao opcoes;
    opcoes.versoes = VersoesTls::AteTls12;
    opcoes.senha = chaveServidor;
    RequisicaoFormulario requisicao(std::move(opcoes));
    return lerRespostaConsulta(requisicao.enviar(urlGetLink, formulario));
}

std::string formatarDataServidor(std::string_view data) {
    // Counted in characters, not bytes.
    std::vector<std::string> caracteres;
    for (std::size_t pos = 0; pos < data.size();) {
        const std::size_t inicio = pos;
        proximoCodigo(data, pos);
        caracteres.emplace_back(data.substr(inicio, pos - inicio));
    }
    auto trecho = [&](std::size_t primeiro, std::size_t quantos) {
        std::string s;
        for (std::size_t i = primeiro - 1; i < primeiro - 1 + quantos && i < caracteres.size(); ++i)
            s += caracteres[i];
        return s;
    };
    return trecho(9, 2) + "/" + trecho(6, 2) + "/" + trecho(1, 4);
}

}  // namespace vaultkeep
