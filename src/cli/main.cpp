// vaultkeep-cli: the headless companion of the program. The same core, settings
// and texts as the window; every status text goes to standard output on its own
// line as it changes, questions go to the terminal, and the exit status is the
// operation's result (0 true, 1 false, 2 a usage error).

#include <csignal>
#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "cli/argumentos.hpp"
#include "cli/comandos.hpp"
#include "cli/terminal.hpp"
#include "cli/ui_terminal.hpp"
#include "tools/log.hpp"
#include "ui/status.hpp"

namespace {

using namespace vaultkeep;
using namespace vaultkeep::cli;

constexpr int kSaidaFalha = 1;
constexpr int kSaidaUso = 2;

void imprimirStatus(const std::string& texto) {
    static std::mutex m;
    if (texto.empty())
        return;  // a cleared status bar says nothing
    std::lock_guard lock(m);
    std::fwrite(texto.data(), 1, texto.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);  // a reader of a long run sees each step as it comes
}

bool executar(const Comando& c, UiPort& ui) {
    switch (c.acao) {
        case Acao::ConfigMostrar:
            return mostrarConfiguracoes(stdout);
        case Acao::ConfigSalvar:
            return salvarConfiguracoesDaLinha({c.estabelecimento, c.url, c.base, c.pasta});
        case Acao::Backup:
            return fazerBackup(ui, c.destino, c.online);
        case Acao::Restaurar:
            return restaurar(ui, c.arquivo);
        case Acao::Verificar:
            return verificar(ui, c.arquivo);
        case Acao::Ajuda:
        case Acao::Versao:
            break;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader of the status lines that goes away (vaultkeep-cli backup | head -1)
    // must not end a backup or a restore half-way; the tools the core starts get
    // the default disposition back.
    std::signal(SIGPIPE, SIG_IGN);

    Comando comando;
    try {
        comando = lerArgumentos(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const ErroDeUso& e) {
        std::fprintf(stderr,
                     "vaultkeep-cli: %s\nUse \"vaultkeep-cli --help\" para ver os comandos e "
                     "opções.\n",
                     e.what());
        return kSaidaUso;
    }
    if (comando.acao == Acao::Ajuda) {
        std::fputs(textoAjuda().c_str(), stdout);
        return 0;
    }
    if (comando.acao == Acao::Versao) {
        std::fputs("vaultkeep-cli " VAULTKEEP_VERSION "\n", stdout);
        return 0;
    }

    observarMensagemStatus(imprimirStatus);
    UiTerminal ui(Terminal::abrir(), comando.sim);
    bool resultado = false;
    try {
        resultado = executar(comando, ui);
    } catch (const std::exception& e) {
        // What the window would log from its event loop is also shown here.
        std::fflush(stdout);
        std::fprintf(stderr, "vaultkeep-cli: %s\n", e.what());
        ApplicationEvents1Exception(ui, e.what());
    }
    observarMensagemStatus({});
    return resultado ? 0 : kSaidaFalha;
}
