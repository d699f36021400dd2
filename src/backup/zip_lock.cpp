#include "backup/zip_lock.hpp"

namespace vaultkeep {

std::mutex& travaArquivosZip() {
    static std::mutex m;
    return m;
}

}  // namespace vaultkeep
