#pragma once
// Turns an entry's stored bytes into the file's bytes: reads them from the
// archive, decrypts, inflates (method 8) or copies (method 0), checks the CRC-32
// and the sizes, and writes the result to the target. For a large entry this
// runs as a pipeline on two threads, reading and decrypting on one, inflating,
// checking and writing on the other, joined by a queue of a few pieces, so
// memory stays bounded whatever the entry's size.

#include <cstdint>
#include <optional>

#include "backup/native_file.hpp"
#include "backup/zip_crypto.hpp"

namespace vaultkeep {

struct DadosEntrada {
    std::uint64_t inicio = 0;   // offset of the data (after any encryption header)
    std::uint64_t tamanho = 0;  // stored bytes of the data
    std::uint16_t metodo = 0;   // 0 or 8
    std::uint64_t original = 0;
    std::uint32_t crc = 0;
    std::optional<ZipCrypto> cifra;  // keys already past the encryption header
};

// Writes the entry's data to `destino`. Failures throw ErroZip: 8 when the data
// cannot be read, does not inflate, or its CRC-32 or a size differs (nothing
// beyond the announced size is ever written); 65 when the target cannot be
// written.
void extrairDados(const ArquivoNativo& arquivo, DadosEntrada dados, ArquivoNativo& destino);

}  // namespace vaultkeep
