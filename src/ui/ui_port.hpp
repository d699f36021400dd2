#pragma once
// The UI port: everything the core asks of the person watching an operation.
//
// The core never talks to a window or a terminal directly. Each front end (the
// window, the CLI, the automatic run, the tests) hands the operations an
// implementation of this interface. Every call may come from any thread; an
// implementation that owns a UI thread runs the step there and waits for it.
// Calls block until the person has answered.

#include <optional>
#include <string>

namespace vaultkeep {

// Answer of the archive module's failure prompt.
enum class RespostaFalha { Abortar, Repetir, Ignorar };

class UiPort {
  public:
    virtual ~UiPort() = default;

    // The indicator switch: true shows the error picture (and stops and hides the
    // loading animation), false shows the running loading animation.
    virtual void loadOrErro(bool erro) = 0;

    // Stops the loading animation and hides it (after a successful upload, and
    // when an error reaches the window's event loop).
    virtual void pararAnimacao() = 0;

    // A modal notice with one OK button; returns once it was closed.
    virtual void aviso(const std::string& titulo, const std::string& texto) = 0;

    // A Yes/No question (Yes is the default button); true for Yes.
    virtual bool confirmar(const std::string& titulo, const std::string& texto) = 0;

    // The archive module's failure prompt. With `podeRepetir` false (code 61) only
    // Abort and Ignore are offered and the text is shown alone; otherwise the
    // buttons are Abort, Retry and Ignore.
    virtual RespostaFalha falhaArquivo(const std::string& texto, bool podeRepetir) = 0;

    // The archive module's password prompt: caption, label, masked field of at most
    // 255 characters. An empty optional means Cancel.
    virtual std::optional<std::string> pedirSenha(const std::string& titulo,
                                                  const std::string& rotulo) = 0;
};

// A port for runs that nobody watches: indicators do nothing, notices are not
// shown, every question is answered No, Abort or Cancel, and nothing ever waits.
class UiPortSemPessoa : public UiPort {
  public:
    void loadOrErro(bool) override {}
    void pararAnimacao() override {}
    void aviso(const std::string&, const std::string&) override {}
    bool confirmar(const std::string&, const std::string&) override { return false; }
    RespostaFalha falhaArquivo(const std::string&, bool) override { return RespostaFalha::Abortar; }
    std::optional<std::string> pedirSenha(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace vaultkeep
