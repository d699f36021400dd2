#pragma once
// The terminal of the person running vaultkeep-cli, for its questions.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/descritor.hpp"

namespace vaultkeep::cli {

class Terminal {
  public:
    // The terminal to talk to: only when standard input is a terminal (a script,
    // a pipe or cron never waits for an answer). Questions then go to /dev/tty,
    // or, when it cannot be opened, are read from standard input and written to
    // standard error. Empty when there is no terminal.
    static std::unique_ptr<Terminal> abrir();

    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Writes the text as it stands.
    void escrever(std::string_view texto);

    // Throws away what was typed before the question was asked, so that a key
    // pressed during a long operation never answers it.
    void descartarDigitado();

    // One line, without its line break; empty at the end of input (Ctrl-D,
    // terminal gone).
    std::optional<std::string> lerLinha();

    // Shows `rotulo` and reads a masked line: each character shows as "*",
    // Backspace erases one, Ctrl-U all; at most `maxCaracteres` characters
    // (UTF-8) are taken. The label appears only once echo is off, and what was
    // typed before it is thrown away, so no key of the password ever shows as
    // itself. Enter ends it;
    // Ctrl-D on an empty line, or the end of input, is Cancel (empty optional).
    // The terminal's settings come back on every path, a signal that ends the
    // program included.
    std::optional<std::string> lerSenha(std::string_view rotulo, std::size_t maxCaracteres);

  private:
    Terminal(int entrada, int saida, Descritor proprio);

    int entrada_;
    int saida_;
    Descritor proprio_;  // /dev/tty when we opened it (then entrada_ and saida_)
};

}  // namespace vaultkeep::cli
