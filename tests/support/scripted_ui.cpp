#include "support/scripted_ui.hpp"

namespace vaultkeep::teste {

void ScriptedUi::responderConfirmacao(bool sim) {
    std::lock_guard l(m_);
    confirmacoes_.push_back(sim);
}

void ScriptedUi::responderFalha(RespostaFalha r) {
    std::lock_guard l(m_);
    falhas_.push_back(r);
}

void ScriptedUi::responderSenha(std::optional<std::string> senha) {
    std::lock_guard l(m_);
    senhas_.push_back(std::move(senha));
}

std::vector<std::string> ScriptedUi::chamadas() const {
    std::lock_guard l(m_);
    return chamadas_;
}

int ScriptedUi::contar(const std::string& prefixo) const {
    std::lock_guard l(m_);
    int n = 0;
    for (const auto& c : chamadas_)
        if (c.rfind(prefixo, 0) == 0)
            ++n;
    return n;
}

void ScriptedUi::registrar(std::string chamada) {
    chamadas_.push_back(std::move(chamada));
}

void ScriptedUi::loadOrErro(bool erro) {
    std::lock_guard l(m_);
    registrar(erro ? "loadOrErro(true)" : "loadOrErro(false)");
}

void ScriptedUi::pararAnimacao() {
    std::lock_guard l(m_);
    registrar("pararAnimacao");
}

void ScriptedUi::aviso(const std::string& titulo, const std::string& texto) {
    std::lock_guard l(m_);
    registrar("aviso(" + titulo + "|" + texto + ")");
}

bool ScriptedUi::confirmar(const std::string& titulo, const std::string& texto) {
    std::lock_guard l(m_);
    registrar("confirmar(" + titulo + "|" + texto + ")");
    if (confirmacoes_.empty())
        return false;
    const bool r = confirmacoes_.front();
    confirmacoes_.pop_front();
    return r;
}

RespostaFalha ScriptedUi::falhaArquivo(const std::string& texto, bool podeRepetir) {
    std::lock_guard l(m_);
    registrar("falhaArquivo(" + texto + (podeRepetir ? "|retry)" : "|noretry)"));
    if (falhas_.empty())
        return RespostaFalha::Abortar;
    const RespostaFalha r = falhas_.front();
    falhas_.pop_front();
    return r;
}

std::optional<std::string> ScriptedUi::pedirSenha(const std::string& titulo,
                                                  const std::string& rotulo) {
    std::lock_guard l(m_);
    registrar("pedirSenha(" + titulo + "|" + rotulo + ")");
    if (senhas_.empty())
        return std::nullopt;
    auto r = senhas_.front();
    senhas_.pop_front();
    return r;
}

}  // namespace vaultkeep::teste
