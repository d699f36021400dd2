#pragma once
// The task list of the user's autostart layer, where the program's two logon
// tasks live: a task is the entry <configuration folder>/autostart/<name>.desktop.

#include <filesystem>
#include <string>
#include <vector>

namespace vaultkeep {

// $XDG_CONFIG_HOME/autostart (or ~/.config/autostart).
std::filesystem::path pastaTarefas();

// The names of the autostart entries (file names without ".desktop"), sorted.
// Empty when the folder is missing or cannot be read.
std::vector<std::string> listarTarefas();

// Whether `nome` occurs in the task list as a plain, case-sensitive substring of
// an entry's name ("VAULTKEEP_10" finds "VAULTKEEP_10_LOGON"). An empty name, or
// any error on the way, gives false.
bool tarefaExiste(const std::string& nome);

}  // namespace vaultkeep
