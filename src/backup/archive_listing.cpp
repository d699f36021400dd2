#include "backup/archive_listing.hpp"

#include <memory>
#include <mutex>

#include "backup/central_directory.hpp"
#include "backup/local_header_scan.hpp"
#include "backup/native_file.hpp"
#include "backup/zip_error.hpp"
#include "backup/zip_lock.hpp"

namespace vaultkeep {

std::vector<std::string> listarEntradasZip(const std::string& arquivo) {
    std::lock_guard trava(travaArquivosZip());
    ArquivoNativo a;
    InfoArquivo info;
    try {
        a = ArquivoNativo::abrirLeitura(arquivo);
        info = a.info();
    } catch (const std::system_error& e) {
        throw erroAbrirArquivo(arquivo, e.code().value());
    }
    std::unique_ptr<FonteEntradas> fonte = DiretorioCentral::abrir(a, info.tamanho);
    const bool doDiretorio = fonte != nullptr;
    if (!doDiretorio)
        fonte = std::make_unique<VarreduraLocal>(a, info.tamanho);
    std::vector<std::string> nomes;
    for (EntradaZip e; fonte->proxima(e);)
        nomes.push_back(e.nome);
    if (!doDiretorio && nomes.empty())
        throw erroZip(kArquivoInvalido);
    return nomes;
}

}  // namespace vaultkeep
