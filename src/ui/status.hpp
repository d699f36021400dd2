#pragma once
// The status channel: one process-wide text, `mensagemStatus`, through which the
// operations tell what they are doing. It is always replaced whole and read whole
// under one mutex, so no reader ever sees half a text. Any thread may write it.

#include <functional>
#include <string>

namespace vaultkeep {

// Replaces the status text.
void definirMensagemStatus(std::string texto);

// The whole current status text.
std::string mensagemStatus();

// An observer called after every replacement with the new text, on the writing
// thread, outside the channel's lock (the CLI prints each text as it comes).
// Passing an empty function removes it. Only one observer is kept.
void observarMensagemStatus(std::function<void(const std::string&)> observador);

}  // namespace vaultkeep
