#pragma once
// The UI port of vaultkeep-cli: the questions of an operation asked on the
// terminal, or answered at once when nobody can or should answer.

#include <cstdio>
#include <memory>
#include <mutex>

#include "cli/terminal.hpp"
#include "ui/ui_port.hpp"

namespace vaultkeep::cli {

class UiTerminal : public UiPort {
  public:
    // With a terminal and without `sim`, every question waits for the person.
    // With `sim`, the notice and the confirmation are answered OK/Yes and the
    // archive prompts Abort/Cancel. Without a terminal and without `sim`, every
    // question is answered No/Abort/Cancel (a notice is only shown). Questions
    // answered without waiting are written to `relato` (standard error) with
    // their answer, so a script's log says what was decided.
    UiTerminal(std::unique_ptr<Terminal> terminal, bool sim, std::FILE* relato = stderr);

    // The indicators print nothing: the status lines already tell what happens.
    void loadOrErro(bool) override {}
    void pararAnimacao() override {}

    void aviso(const std::string& titulo, const std::string& texto) override;
    bool confirmar(const std::string& titulo, const std::string& texto) override;
    RespostaFalha falhaArquivo(const std::string& texto, bool podeRepetir) override;
    std::optional<std::string> pedirSenha(const std::string& titulo,
                                          const std::string& rotulo) override;

    // The password field's limit.
    static constexpr std::size_t kMaxSenha = 255;

  private:
    bool pergunta() const { return terminal_ && !sim_; }
    void relatar(const std::string& titulo, const std::string& texto, const char* resposta);
    void cabecalho(const std::string& titulo, const std::string& texto);

    std::unique_ptr<Terminal> terminal_;
    bool sim_;
    std::FILE* relato_;
    std::mutex m_;  // one question at a time, from whatever thread
};

}  // namespace vaultkeep::cli
