#include "backup/work_folder.hpp"

#include "common/clock.hpp"
#include "common/paths.hpp"
#include "tools/md5.hpp"

namespace vaultkeep {

std::filesystem::path pastaTrabalho(const std::tm& agora) {
    return raizTrabalho() / md5Hex(dataCurta(agora) + horaLonga(agora));
}

std::string nomeArquivoBackup(const std::tm& agora) {
    return "Backup_Vaultkeep_" + formatarHora(agora, "%d_%m_%Y_%H_%M") + ".zip";
}

}  // namespace vaultkeep
