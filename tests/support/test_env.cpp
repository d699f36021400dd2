#include "support/test_env.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vaultkeep::teste {

namespace {
fs::path& raiz() {
    static fs::path r;
    return r;
}
}  // namespace

void definirRaizTeste(const fs::path& p) {
    raiz() = p;
}

fs::path raizTeste() {
    return raiz();
}

fs::path novaPasta(std::string_view nome) {
    const fs::path p = raizTeste() / fs::path(std::string(nome));
    fs::create_directories(p);
    return p;
}

void escreverArquivo(const fs::path& p, std::string_view dados) {
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(dados.data(), static_cast<std::streamsize>(dados.size()));
    if (!out)
        throw std::runtime_error("cannot write " + p.string());
}

std::string lerArquivo(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + p.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void removerArvore(const fs::path& p) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(p, ec)))
        return;
    // Give back write and search rights on every folder first, so nothing inside
    // a read-only folder is left behind.
    if (fs::is_directory(fs::symlink_status(p, ec))) {
        ::chmod(p.c_str(), 0700);
        for (auto it = fs::recursive_directory_iterator(
                 p, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                ::chmod(it->path().c_str(), 0700);
        }
    }
    fs::remove_all(p, ec);
}

}  // namespace vaultkeep::teste
