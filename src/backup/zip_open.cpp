#include "backup/zip_open.hpp"

#include <system_error>

#include "backup/central_directory.hpp"
#include "backup/local_header_scan.hpp"
#include "backup/zip_error.hpp"

namespace vaultkeep {

std::unique_ptr<ArquivoZipAberto> abrirArquivoZip(const std::string& caminho) {
    auto z = std::make_unique<ArquivoZipAberto>();
    try {
        z->arquivo = ArquivoNativo::abrirLeitura(caminho);
        z->info = z->arquivo.info();
    } catch (const std::system_error& e) {
        throw erroAbrirArquivo(caminho, e.code().value());
    }
    z->fonte = DiretorioCentral::abrir(z->arquivo, z->info.tamanho);
    if (z->fonte) {
        z->tem = z->fonte->proxima(z->primeira);
    } else {
        z->fonte = std::make_unique<VarreduraLocal>(z->arquivo, z->info.tamanho);
        z->tem = z->fonte->proxima(z->primeira);
        if (!z->tem)
            throw erroZip(kArquivoInvalido);
    }
    return z;
}

}  // namespace vaultkeep
