#include "cli/ui_terminal.hpp"

#include <cstdio>
#include <initializer_list>

#include "common/text.hpp"

namespace vaultkeep::cli {
namespace {

// Whether the answer, blanks aside and without regard to case, is one of the
// words. Only whole words count: "sair" is not "s".
bool uma(const std::string& resposta, std::initializer_list<const char*> palavras) {
    const std::string a = aparar(resposta);
    for (const char* p : palavras)
        if (iguaisSemCaixaAscii(a, p))
            return true;
    return false;
}

}  // namespace

UiTerminal::UiTerminal(std::unique_ptr<Terminal> terminal, bool sim, std::FILE* relato)
    : terminal_(std::move(terminal)), sim_(sim), relato_(relato) {}

void UiTerminal::relatar(const std::string& titulo, const std::string& texto,
                         const char* resposta) {
    std::string linha = titulo;
    if (!titulo.empty() && !texto.empty())
        linha += ": ";
    linha += texto;
    linha += std::string(" [") + resposta + "]\n";
    std::fwrite(linha.data(), 1, linha.size(), relato_);
    std::fflush(relato_);
}

void UiTerminal::cabecalho(const std::string& titulo, const std::string& texto) {
    // Status lines may share the terminal: they must be out before the question.
    std::fflush(stdout);
    terminal_->descartarDigitado();
    std::string s = "\n";
    if (!titulo.empty())
        s += titulo + "\n";
    s += texto + "\n";
    terminal_->escrever(s);
}

void UiTerminal::aviso(const std::string& titulo, const std::string& texto) {
    std::lock_guard lock(m_);
    if (!pergunta()) {
        relatar(titulo, texto, "OK");
        return;
    }
    cabecalho(titulo, texto);
    terminal_->escrever("Pressione Enter para continuar. ");
    terminal_->lerLinha();  // the end of input closes the notice too
}

bool UiTerminal::confirmar(const std::string& titulo, const std::string& texto) {
    std::lock_guard lock(m_);
    if (!pergunta()) {
        relatar(titulo, texto, sim_ ? "Sim" : "Não");
        return sim_;
    }
    cabecalho(titulo, texto);
    for (;;) {
        // Yes is the default button, as in the window.
        terminal_->escrever("[S]im / [N]ão (Enter = Sim): ");
        const auto linha = terminal_->lerLinha();
        if (!linha)
            return false;
        if (uma(*linha, {"", "s", "sim", "y", "yes"}))
            return true;
        if (uma(*linha, {"n", "nao", "não", "nÃo", "no"}))
            return false;
    }
}

RespostaFalha UiTerminal::falhaArquivo(const std::string& texto, bool podeRepetir) {
    std::lock_guard lock(m_);
    if (!pergunta()) {
        relatar("", texto, "Abortar");
        return RespostaFalha::Abortar;
    }
    cabecalho("", texto);
    for (;;) {
        terminal_->escrever(podeRepetir ? "[A]bortar / [R]epetir / [I]gnorar: "
                                        : "[A]bortar / [I]gnorar: ");
        const auto linha = terminal_->lerLinha();
        if (!linha)
            return RespostaFalha::Abortar;
        if (uma(*linha, {"a", "abortar", "abort"}))
            return RespostaFalha::Abortar;
        if (podeRepetir && uma(*linha, {"r", "repetir", "retry"}))
            return RespostaFalha::Repetir;
        if (uma(*linha, {"i", "ignorar", "ignore"}))
            return RespostaFalha::Ignorar;
    }
}

std::optional<std::string> UiTerminal::pedirSenha(const std::string& titulo,
                                                  const std::string& rotulo) {
    std::lock_guard lock(m_);
    if (!pergunta()) {
        relatar(titulo, "", "Cancelar");
        return std::nullopt;
    }
    cabecalho(titulo, "(Enter confirma; Ctrl-D numa linha vazia cancela)");
    return terminal_->lerSenha(rotulo, kMaxSenha);
}

}  // namespace vaultkeep::cli
