#pragma once
// A UI port for tests: records every call in order and answers prompts from
// scripted queues. When a queue is empty the answer is the cautious one (No,
// Abort, Cancel). Safe to call from any thread.

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/ui_port.hpp"

namespace vaultkeep::teste {

class ScriptedUi : public UiPort {
  public:
    // Scripted answers, taken in order.
    void responderConfirmacao(bool sim);
    void responderFalha(RespostaFalha r);
    void responderSenha(std::optional<std::string> senha);

    // Every call so far, one line each, for example "loadOrErro(true)",
    // "pararAnimacao", "aviso(Titulo|Texto)", "confirmar(Titulo|Texto)",
    // "falhaArquivo(Texto|retry)", "pedirSenha(Titulo|Rotulo)".
    std::vector<std::string> chamadas() const;
    // How many recorded calls start with `prefixo`.
    int contar(const std::string& prefixo) const;

    void loadOrErro(bool erro) override;
    void pararAnimacao() override;
    void aviso(const std::string& titulo, const std::string& texto) override;
    bool confirmar(const std::string& titulo, const std::string& texto) override;
    RespostaFalha falhaArquivo(const std::string& texto, bool podeRepetir) override;
    std::optional<std::string> pedirSenha(const std::string& titulo,
                                          const std::string& rotulo) override;

  private:
    void registrar(std::string chamada);

    mutable std::mutex m_;
    std::vector<std::string> chamadas_;
    std::deque<bool> confirmacoes_;
    std::deque<RespostaFalha> falhas_;
    std::deque<std::optional<std::string>> senhas_;
};

}  // namespace vaultkeep::teste
