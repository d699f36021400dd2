#include "backup/archive_listing.hpp"

#include <mutex>

#include "backup/zip_lock.hpp"
#include "backup/zip_open.hpp"

namespace vaultkeep {

std::vector<std::string> listarEntradasZip(const std::string& arquivo) {
    std::lock_guard trava(travaArquivosZip());
    const auto z = abrirArquivoZip(arquivo);
    std::vector<std::string> nomes;
    EntradaZip e = z->primeira;
    for (bool tem = z->tem; tem; tem = z->fonte->proxima(e))
        nomes.push_back(e.nome);
    return nomes;
}

}  // namespace vaultkeep
