#pragma once
// Where the program keeps and finds things on this platform:
//
// - the configuration folder, $XDG_CONFIG_HOME or ~/.config (the registry hive
//   lives below it);
// - the program folder, where the program writes its own files (log.txt, the task
//   definitions): $VAULTKEEP_HOME, else $XDG_STATE_HOME/vaultkeep, else
//   ~/.local/state/vaultkeep;
// - the temporary folder, $TEMP, else $TMPDIR, else /tmp, and below it the work
//   root "pastatempbackup" that backups and restores share;
// - the external tools (gfix, wget, the Firebird client library): only in
//   $VAULTKEEP_TOOLS_DIR when that is set, otherwise beside the running
//   executable, then on PATH (programs) or through the dynamic loader (libraries).

#include <filesystem>
#include <string>

namespace vaultkeep {

namespace fs = std::filesystem;

// The user's home folder ($HOME, else the password database).
fs::path pastaPessoal();

// $XDG_CONFIG_HOME, else ~/.config.
fs::path pastaConfiguracao();

// The program folder; created when missing (a failure to create it shows later,
// when a file is written there).
fs::path pastaPrograma();

// $TEMP, else $TMPDIR, else /tmp.
fs::path pastaTemporaria();

// The work root shared by backup and restore: the temporary folder followed by
// "pastatempbackup".
fs::path raizTrabalho();

// The folder of the running executable.
fs::path pastaExecutavel();

// Full path of a program by the tool rule above, or an empty path when none is
// found. Only executable regular files count.
fs::path localizarPrograma(const std::string& nome);

// Whether a shared library can be had by the tool rule above: a regular file in
// $VAULTKEEP_TOOLS_DIR when set; otherwise beside the executable, or loadable by
// the dynamic loader.
bool bibliotecaDisponivel(const std::string& nome);

}  // namespace vaultkeep
