#pragma once
// The operation log, "log.txt" in the program folder: what happened while nobody
// was watching (every integrity test's raw output, the automatic runs, errors that
// reached the window's event loop). Entries are only ever appended.
//
// An entry is three lines, each ended by CR LF, in Windows-1252 (a character the
// code page lacks becomes "?"), so a log reads the same on a Windows machine:
//
//   Data: dd/MM/yyyy HH:mm:ss
//   <title> <message>
//   ------------------------------------------- (43 hyphens and one blank)
//
// The message is written unchanged; one holding line breaks (gfix output) spreads
// the second line over several lines of the file.

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "ui/ui_port.hpp"

namespace vaultkeep {

inline constexpr std::string_view kSeparadorLog = "------------------------------------------- ";

// The bytes of one entry dated `quando`.
std::string montarEntradaLog(const std::tm& quando, std::string_view titulo,
                             std::string_view mensagem);

// Appends one entry dated now, creating the file when it is missing. Entries stay
// whole when threads of this process or other processes write at the same time
// (a mutex and a lock on the file), and a write that fails part-way is cut back,
// leaving the file as it was. Raises std::system_error carrying the system's text
// when the file cannot be opened, created or written.
void gravarLog(const std::filesystem::path& arquivo, const std::string& titulo,
               const std::string& mensagem);

// The program's log file: the program folder followed by "log.txt".
std::filesystem::path arquivoLog();

// The handler for an error that reached the window's event loop: stops and hides
// the loading animation (ui.pararAnimacao) and logs the entry "Informação" whose
// message is the current time immediately followed by the error's text. The
// error is not shown. A failure of the handler itself (the log cannot be written)
// is swallowed: the handler must never bring the program down.
void ApplicationEvents1Exception(UiPort& ui, const std::string& mensagemDoErro) noexcept;

}  // namespace vaultkeep
