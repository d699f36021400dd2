#pragma once
// CRC-32 of the ZIP format: reflected polynomial 0xEDB88320, initial and final
// value 0xFFFFFFFF (zlib's crc32).

#include <cstddef>
#include <cstdint>

namespace vaultkeep {

class Crc32 {
  public:
    void atualizar(const void* dados, std::size_t tamanho);
    std::uint32_t valor() const noexcept { return valor_; }

  private:
    std::uint32_t valor_ = 0;
};

}  // namespace vaultkeep
