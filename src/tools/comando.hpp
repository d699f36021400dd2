#pragma once
// Running external programs: a command whose printed output we need (gfix), and a
// program we only start and wait for (the download tool).
//
// No shell is ever involved: a program is started from an argument vector, so a
// path or a name with blanks, quotes or semicolons stays one argument and can
// never become a command of its own.

#include <string>
#include <vector>

#include "ui/ui_port.hpp"

namespace vaultkeep {

// The caption of the program's message boxes.
inline constexpr const char* kTituloAplicacao = "Vaultkeep";

struct ResultadoComando {
    bool iniciado = false;  // the program was started
    int codigo = -1;        // its exit status; 128 + the signal number when a signal ended it
    std::string saida;      // standard output and standard error, in arrival order
};

// Starts argv[0] (searched on PATH when it holds no "/") with the arguments that
// follow, in the working folder `pasta` (empty: the caller's), standard input
// inherited, standard output and standard error into one pipe. Reads the pipe to
// its end and waits for the program. The output is kept byte for byte (the tools
// print UTF-8 here). A program that cannot be started (missing, not executable,
// missing working folder) gives `iniciado` false and an empty output.
ResultadoComando executarComandoDetalhado(const std::vector<std::string>& argv,
                                          const std::string& pasta);

// The captured output of executarComandoDetalhado; empty when nothing could be run.
std::string executarComando(const std::vector<std::string>& argv, const std::string& pasta);

// Starts `programa` (searched on PATH when it holds no "/") with `parametros`,
// without a console (standard input, output and error on /dev/null), and waits
// until it has ended; its exit status is not looked at. When it cannot be
// started, shows the system's message for the error through the UI port (caption
// kTituloAplicacao) and returns false once the notice was closed.
//
// The wait blocks the calling thread; call it from a worker, not from a thread
// that must keep a window responsive.
bool executarEAguardar(UiPort& ui, const std::string& programa,
                       const std::vector<std::string>& parametros);

}  // namespace vaultkeep
