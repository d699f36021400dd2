// Asks the questions of vaultkeep-cli's UI port, one per argument, and prints
// each answer on standard output. The tests of the terminal questions run it on a
// pseudo-terminal and in a pipeline without one.
//
//   ajudante_perguntas [--sim] (aviso | confirmar | falha | falha61 | senha)...

#include <cstdio>
#include <string>

#include "cli/terminal.hpp"
#include "cli/ui_terminal.hpp"

using vaultkeep::RespostaFalha;

namespace {

void responder(const std::string& linha) {
    std::fputs((linha + "\n").c_str(), stdout);
    std::fflush(stdout);
}

const char* nome(RespostaFalha r) {
    switch (r) {
        case RespostaFalha::Abortar:
            return "abortar";
        case RespostaFalha::Repetir:
            return "repetir";
        case RespostaFalha::Ignorar:
            return "ignorar";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    bool sim = false;
    int i = 1;
    if (i < argc && std::string(argv[i]) == "--sim") {
        sim = true;
        ++i;
    }
    vaultkeep::cli::UiTerminal ui(vaultkeep::cli::Terminal::abrir(), sim);
    for (; i < argc; ++i) {
        const std::string passo = argv[i];
        if (passo == "aviso") {
            ui.aviso("Vaultkeep",
                     "Por favor feche o sistema em todos os computadores. Após o término da "
                     "restauração poderá abrir.");
            responder("resposta aviso: ok");
        } else if (passo == "confirmar") {
            const bool s = ui.confirmar("Confirmação", "Deseja restaurar o backup?");
            responder(std::string("resposta confirmar: ") + (s ? "sim" : "nao"));
        } else if (passo == "falha") {
            responder(std::string("resposta falha: ") +
                      nome(ui.falhaArquivo(
                          "Error 00035. File processing error, possibly disk is full", true)));
        } else if (passo == "falha61") {
            responder(std::string("resposta falha61: ") +
                      nome(ui.falhaArquivo("Wrong password 00061", false)));
        } else if (passo == "senha") {
            const auto s = ui.pedirSenha("Password for \"LOJA.FDB\"", "Enter password: ");
            responder(s ? "resposta senha: [" + *s + "]" : "resposta senha: cancelada");
        } else {
            std::fprintf(stderr, "unknown step %s\n", passo.c_str());
            return 2;
        }
    }
    return 0;
}
