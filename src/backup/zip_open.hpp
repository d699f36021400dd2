#pragma once
// An archive opened for reading, with the source of its entries: the central
// directory when it can be read, else the scan of the local headers.

#include <memory>
#include <string>

#include "backup/entry_source.hpp"
#include "backup/native_file.hpp"
#include "backup/zip_records.hpp"

namespace vaultkeep {

struct ArquivoZipAberto {
    ArquivoNativo arquivo;
    InfoArquivo info;
    std::unique_ptr<FonteEntradas> fonte;  // reads `arquivo`, which must not move
    EntradaZip primeira;                   // the first entry, when `tem`
    bool tem = false;
};

// Opens `caminho` and reads its first entry. Throws std::runtime_error "Cannot
// open file "%s". %s" when it cannot be opened, and ErroZip 35 when it holds
// neither a central directory nor any local header (ErroZip 40 for a missing
// 64-bit end record). An archive whose directory lists no entry opens with `tem`
// false.
std::unique_ptr<ArquivoZipAberto> abrirArquivoZip(const std::string& caminho);

}  // namespace vaultkeep
