#include "backup/cleanup.hpp"

#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "common/text.hpp"
#include "settings/settings.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {

// The first second of the local calendar day of `agora`.
std::time_t inicioDoDia(std::chrono::system_clock::time_point agora) {
    const std::time_t t = std::chrono::system_clock::to_time_t(agora);
    std::tm local{};
    localtime_r(&t, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

bool ehZip(const fs::path& p) {
    const std::string nome = p.filename().string();
    return nome.size() >= 4 &&
           iguaisSemCaixaAscii(std::string_view(nome).substr(nome.size() - 4), ".zip");
}

}  // namespace

void excluirArquivosAntigos(const std::string& pasta, std::chrono::system_clock::time_point agora) {
    try {
        std::error_code ec;
        if (pasta.empty() || !fs::is_directory(pasta, ec))
            return;
        const std::time_t hoje = inicioDoDia(agora);
        // The iterator does not follow links to folders; a link to a file is seen
        // through symlink_status and passed over.
        fs::recursive_directory_iterator it(pasta, fs::directory_options::skip_permission_denied,
                                            ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            std::error_code e;
            const fs::file_status st = it->symlink_status(e);
            if (e || !fs::is_regular_file(st) || !ehZip(it->path()))
                continue;
            struct stat info {};
            if (::lstat(it->path().c_str(), &info) != 0)
                continue;
            if (info.st_mtime < hoje)
                fs::remove(it->path(), e);
        }
    } catch (...) {
        // Nothing the clean-up meets may stop a backup.
    }
}

void ExcluirArquivosAntigosDaPastaDeSalvamento() {
    excluirArquivosAntigos(pastaBackup);
}

}  // namespace vaultkeep
