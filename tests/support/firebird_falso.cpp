#include "support/firebird_falso.hpp"

#include <stdlib.h>

#include "support/test_env.hpp"

namespace vaultkeep::teste {

namespace fs = std::filesystem;

fs::path copiaDeSleep(const std::string& nome) {
    const fs::path destino = novaPasta("bin_" + nome) / nome;
    fs::copy_file("/bin/sleep", destino, fs::copy_options::overwrite_existing);
    fs::permissions(destino, fs::perms::owner_all);
    return destino;
}

FirebirdFalso::FirebirdFalso(const fs::path& ajudante)
    : servidor_(copiaDeSleep("fbserver"), {"300"}), ferramentas_(novaPasta("ferramentas")) {
    fs::create_symlink(ajudante, ferramentas_ / "gfix");
    escreverArquivo(ferramentas_ / "libfbclient.so.2", "");
    ::setenv("VAULTKEEP_TOOLS_DIR", ferramentas_.c_str(), 1);
}

}  // namespace vaultkeep::teste
