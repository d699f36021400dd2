#pragma once
// The central directory: found through the end record in the last 65,600 bytes
// of the file (searched backwards), with the 64-bit end record and the Zip64
// extra fields understood. An archive with data in front of it (a
// self-extractor) is read with its offsets moved by that amount.

#include <cstdint>
#include <memory>

#include "backup/entry_source.hpp"
#include "backup/native_file.hpp"

namespace vaultkeep {

class DiretorioCentral : public FonteEntradas {
  public:
    // The directory of the archive, checked whole before any entry is handed
    // out. Null when there is no end record or the directory it names cannot be
    // read (the caller then scans the local headers). Throws ErroZip 40 when a
    // 64-bit end record is announced but is not there.
    static std::unique_ptr<DiretorioCentral> abrir(const ArquivoNativo& arquivo,
                                                   std::uint64_t tamanhoArquivo);

    bool proxima(EntradaZip& e) override;

  private:
    explicit DiretorioCentral(const ArquivoNativo& a) : arquivo_(a) {}
    // Reads the entry at `pos_`; false when it is not a well-formed header.
    bool lerEntrada(EntradaZip& e);
    bool verificar();

    const ArquivoNativo& arquivo_;
    std::uint64_t inicio_ = 0, fim_ = 0;  // the directory's bytes
    std::uint64_t deslocamento_ = 0;      // added to every stored offset
    std::uint64_t total_ = 0;             // entries the end record announces
    bool contarAteOFim_ = false;          // the 16-bit count may have wrapped
    std::uint64_t limiteLocal_ = 0;       // local headers lie before this
    std::uint64_t pos_ = 0, lidas_ = 0;
};

}  // namespace vaultkeep
