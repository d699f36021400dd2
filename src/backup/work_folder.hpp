#pragma once
// The private work folder that backups and restores share, and the archive name.

#include <ctime>
#include <filesystem>
#include <string>

namespace vaultkeep {

// The work folder of an operation started at `agora`: the work root followed by
// `md5Hex` of the short date and the long time written one after the other
// (32 upper-case hexadecimal digits). Not created here.
std::filesystem::path pastaTrabalho(const std::tm& agora);

// "Backup_Vaultkeep_dd_mm_yyyy_hh_mm.zip" for the moment `agora`. Minute
// resolution: two backups in the same minute share the name.
std::string nomeArquivoBackup(const std::tm& agora);

}  // namespace vaultkeep
