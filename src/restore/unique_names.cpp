#include "restore/unique_names.hpp"

#include <cerrno>
#include <system_error>

#include "common/clock.hpp"
#include "common/files.hpp"
#include "restore/messages.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {
// Far more than a folder ever holds; a bound keeps a broken folder from looping.
constexpr int kMaxCandidatos = 10000;
}  // namespace

std::string radicalBaseAntiga(const std::tm& quando) {
    return kRadicalBaseAntiga + formatarHora(quando, "%d_%m_%Y");
}

std::string nomeCandidato(const std::string& radical, const std::string& extensao, int n) {
    return n <= 1 ? radical + extensao : radical + "_" + std::to_string(n) + extensao;
}

fs::path moverParaNomeLivre(const fs::path& origem, const fs::path& pasta,
                            const std::string& radical, const std::string& extensao) {
    for (int n = 1; n <= kMaxCandidatos; ++n) {
        const fs::path alvo = pasta / nomeCandidato(radical, extensao, n);
        std::error_code ec;
        const auto tipo = fs::symlink_status(alvo, ec).type();
        // An entry that cannot be looked at (`none`) is left to the rename to report.
        if (tipo != fs::file_type::not_found && tipo != fs::file_type::none)
            continue;
        try {
            moverSemSubstituir(origem, alvo);
            return alvo;
        } catch (const std::system_error& e) {
            if (e.code() != std::errc::file_exists)
                throw;
        }
    }
    throw std::system_error(EEXIST, std::generic_category(), origem.string());
}

}  // namespace vaultkeep
