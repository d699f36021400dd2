#include <algorithm>
#include <system_error>

#include "backup/file_search.hpp"
#include "backup/name_mask.hpp"

namespace vaultkeep {
namespace {

void buscarEm(const fs::path& pasta, const std::string& mascara, std::vector<fs::path>& achados,
              int profundidade) {
    // Deeper than any real tree; a guard against pathological nesting.
    if (profundidade > 256)
        return;
    std::error_code ec;
    fs::directory_iterator it(pasta, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return;
    std::vector<fs::path> arquivos, pastas;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const fs::directory_entry& e = *it;
        std::error_code ecTipo;
        if (e.is_symlink(ecTipo)) {
            if (e.is_regular_file(ecTipo))
                arquivos.push_back(e.path());
        } else if (e.is_directory(ecTipo)) {
            pastas.push_back(e.path());
        } else if (e.is_regular_file(ecTipo)) {
            arquivos.push_back(e.path());
        }
    }
    std::sort(arquivos.begin(), arquivos.end());
    std::sort(pastas.begin(), pastas.end());
    for (auto& a : arquivos)
        if (casaMascara(mascara, a.filename().string()))
            achados.push_back(std::move(a));
    for (const auto& p : pastas)
        buscarEm(p, mascara, achados, profundidade + 1);
}

}  // namespace

std::vector<fs::path> buscarArquivos(const fs::path& pastaBase, const std::string& mascara) {
    std::vector<fs::path> achados;
    buscarEm(pastaBase, mascara, achados, 0);
    return achados;
}

}  // namespace vaultkeep
