#pragma once
// The list of entries rebuilt from the local headers, for an archive whose end
// record is missing or whose central directory cannot be read: the file is
// scanned from its start for local header signatures, and each well-formed
// header whose data fits in the file is an entry. After an entry the scan goes
// on past its data, so signatures inside compressed data are not mistaken for
// headers.
//
// An entry written with a data descriptor (flag bit 3) has no sizes in its
// local header; its data ends at the first descriptor whose compressed size
// equals the distance from the data's start. Those descriptors are collected in
// one pass over the file the first time such an entry turns up, so the scan
// stays linear whatever the file holds.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "backup/entry_source.hpp"
#include "backup/native_file.hpp"

namespace vaultkeep {

class VarreduraLocal : public FonteEntradas {
  public:
    VarreduraLocal(const ArquivoNativo& arquivo, std::uint64_t tamanhoArquivo);

    bool proxima(EntradaZip& e) override;

  private:
    // The entry whose local header is at `pos`, with `depois` set past its data
    // (and descriptor); false when no well-formed entry starts there.
    bool lerEntrada(std::uint64_t pos, EntradaZip& e, std::uint64_t& depois);
    void coletarDescritores();
    // Next offset >= pos_ holding the local header signature; false at the end.
    bool proximaAssinatura(std::uint64_t& achada);

    const ArquivoNativo& arquivo_;
    std::uint64_t tamanho_;
    std::uint64_t pos_ = 0;
    std::vector<unsigned char> bloco_;
    std::uint64_t inicioBloco_ = 0;
    std::size_t tamanhoBloco_ = 0;
    bool descritoresColetados_ = false;
    // Start of an entry's data -> offset of the descriptor that ends it.
    std::unordered_map<std::uint64_t, std::uint64_t> descritores32_, descritores64_;
};

}  // namespace vaultkeep
