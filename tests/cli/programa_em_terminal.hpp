#pragma once
// A program run on a pseudo-terminal of its own, as a person at a terminal runs
// it: the terminal is its controlling terminal, standard input and standard
// error, and standard output too unless it is asked to go to a pipe (to see what
// a reader of that pipe gets, and when). The test reads the screen, waits for a
// text and types answers. The program is killed and reaped when the object goes.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vaultkeep::teste {

class ProgramaEmTerminal {
  public:
    // Starts argv[0] (searched on PATH) with the test's environment.
    explicit ProgramaEmTerminal(const std::vector<std::string>& argv,
                                bool saidaPadraoEmPipe = false);
    ~ProgramaEmTerminal();
    ProgramaEmTerminal(const ProgramaEmTerminal&) = delete;
    ProgramaEmTerminal& operator=(const ProgramaEmTerminal&) = delete;

    // Reads the screen until `texto` appears after what earlier waits consumed;
    // true when it did, false when the program closed the terminal or the time
    // ran out first.
    bool esperar(const std::string& texto,
                 std::chrono::milliseconds limite = std::chrono::seconds(60));

    // Types on the keyboard.
    void digitar(const std::string& teclas);

    // Everything the screen showed so far (CR LF as the terminal sends it).
    const std::string& tela() const { return tela_; }

    // What arrived on the standard output pipe so far, without waiting.
    std::string saidaPadrao();

    // The path of the terminal's device, to inspect its settings.
    const std::string& dispositivo() const { return dispositivo_; }

    // Whether the program is still running (not reaped).
    bool rodando();

    // Reads the screen and the pipe to their end and waits for the program: its
    // exit status, or 128 + the signal that ended it; nothing when it did not end
    // in time (it is then killed).
    std::optional<int> terminar(std::chrono::milliseconds limite = std::chrono::seconds(120));

  private:
    // Reads what arrives within `espera`: the number of bytes, 0 for none, -1
    // once the terminal is closed.
    int lerTela(std::chrono::milliseconds espera);
    void lerPipe();

    pid_t pid_ = -1;
    int mestre_ = -1;
    int pipe_ = -1;
    int status_ = -1;
    std::string tela_, saida_, dispositivo_;
    std::size_t consumido_ = 0;
};

}  // namespace vaultkeep::teste
