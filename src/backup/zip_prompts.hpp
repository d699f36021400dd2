#pragma once
// The archive module's two prompts, through the UI port.

#include <optional>
#include <string>

#include "backup/zip_error.hpp"
#include "ui/ui_port.hpp"

namespace vaultkeep {

// The failure prompt for an entry failure. Code 61 shows the text alone with
// Abort and Ignore (an answer of Retry counts as Ignore there); every other code
// shows "<text>. File processing error, possibly disk is full" with Abort, Retry
// and Ignore.
RespostaFalha perguntarFalha(UiPort& ui, const ErroZip& falha);

// Runs `tentar` (one entry's work) until it succeeds or the person gives up on
// the entry: an entry failure runs `aoFalhar` and opens the failure prompt;
// Retry runs `tentar` again, Ignore skips the entry (true), Abort stops the
// operation (false).
template <class Tentar, class AoFalhar>
bool processarEntrada(UiPort& ui, Tentar&& tentar, AoFalhar&& aoFalhar) {
    for (;;) {
        try {
            tentar();
            return true;
        } catch (const ErroZip& falha) {
            aoFalhar();
            switch (perguntarFalha(ui, falha)) {
                case RespostaFalha::Repetir:
                    continue;
                case RespostaFalha::Ignorar:
                    return true;
                case RespostaFalha::Abortar:
                    return false;
            }
        }
    }
}

// The password prompt for the entry named `nomeEntrada`: caption
// "Password for "<name>"", label "Enter password: ". The answer is cut to 255
// characters; nothing means Cancel.
std::optional<std::string> perguntarSenha(UiPort& ui, const std::string& nomeEntrada);

}  // namespace vaultkeep
