#pragma once
// Finding and ending running programs by the name of their executable.
//
// Name rule: a process matches a given name when the final path component of its
// executable equals the name, or failing that when its whole executable path
// does, letters "a" to "z" compared without case and every other character
// exactly (an accented letter in another case does not match). A given name
// ending in ".exe" (any case) also matches without that suffix, so the names the
// Windows build uses ("TILLPOINT.exe") find the programs here ("tillpoint").
// An empty name matches nothing.
//
// A process's executable is the file /proc/PID/exe points to (" (deleted)" cut
// off when the file was replaced while it runs), or its short command name when
// that link cannot be read (another user's process, a kernel thread). Processes
// that have already ended and only wait for their parent (zombies) do not count.

#include <string>
#include <string_view>

namespace vaultkeep {

// The name rule above, for one executable.
bool nomeProcessoCorresponde(std::string_view executavel, std::string_view nome);

// Ends every matching process at once (SIGKILL); a process we may not signal, or
// that has already gone, is passed over without a report.
void finalizarProcesso(const std::string& nome);

// Whether at least one matching process is running.
bool processoEmExecucao(const std::string& nome);

}  // namespace vaultkeep
