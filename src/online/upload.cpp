#include "online/upload.hpp"

#include <exception>

#include "common/text.hpp"
#include "online/form_request.hpp"
#include "online/multipart_form.hpp"
#include "settings/settings.hpp"
#include "ui/status.hpp"

namespace vaultkeep {

bool enviarCopiaOnline(UiPort& ui, const std::string& arquivo) {
    definirMensagemStatus(kMsgSalvandoOnline);
    std::string resposta;
    try {
        FormularioMultipart formulario;
        formulario.adicionarTexto("user", nomeEstabelecimento);
        formulario.adicionarArquivo("sendimage", arquivo);
        OpcoesRequisicao opcoes;
        opcoes.versoes = VersoesTls::SomenteTls12;
        opcoes.senha = chaveServidor;
        RequisicaoFormulario requisicao(std::move(opcoes));
        resposta = requisicao.enviar(urlUpload, formulario);
    } catch (const std::exception& e) {
        definirMensagemStatus(kMsgErroEnvio + std::string(e.what()));
        ui.loadOrErro(true);
        return false;
    }
    if (contem(resposta, kRespostaRecusada)) {
        definirMensagemStatus(kMsgErroEnvio);
        ui.loadOrErro(true);
        return false;
    }
    definirMensagemStatus(kMsgEnviadoComSucesso);
    ui.pararAnimacao();
    return true;
}

}  // namespace vaultkeep
