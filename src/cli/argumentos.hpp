#pragma once
// The command line of vaultkeep-cli: which command to run and with what.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vaultkeep::cli {

enum class Acao {
    Ajuda,
    Versao,
    ConfigMostrar,
    ConfigSalvar,
    Backup,
    Restaurar,
    Verificar,
};

struct Comando {
    Acao acao = Acao::Ajuda;

    // config salvar: the four fields of the configuration screen, as given.
    std::string estabelecimento, url, base, pasta;

    // backup: the destination folder (none: the saved folder) and the online copy.
    std::optional<std::string> destino;
    bool online = false;  // backup --online, restaurar --online

    // restaurar: the local archive (none with --online); verificar: the database
    // file (none: the saved one).
    std::optional<std::string> arquivo;

    // Answer the notice and the confirmation OK/Yes and the archive prompts
    // Abort/Cancel without waiting.
    bool sim = false;
};

// A command line that names no known command, an unknown option, a missing or
// surplus argument. The message is one line in Portuguese.
class ErroDeUso : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments that follow the program name. An option's value is the
// next argument or follows "=" (--pasta=/srv/backup); a value that begins with
// "-" must use the "=" form, so a forgotten value is never mistaken for the next
// option. "--" ends the options. -h or --help anywhere among the options asks for
// the help. Throws ErroDeUso.
Comando lerArgumentos(const std::vector<std::string>& argumentos);

// The help text (Portuguese), ending with a line break.
std::string textoAjuda();

}  // namespace vaultkeep::cli
