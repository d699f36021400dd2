#include "backup/crc32.hpp"

#include <zlib.h>

namespace vaultkeep {

void Crc32::atualizar(const void* dados, std::size_t tamanho) {
    valor_ = static_cast<std::uint32_t>(
        crc32_z(valor_, static_cast<const Bytef*>(dados), static_cast<z_size_t>(tamanho)));
}

}  // namespace vaultkeep
