#pragma once
// Writes one file into an archive as an entry: local header, encryption header
// (under a password), compressed and encrypted data, then the local header
// again with the CRC-32 and sizes. Compression runs on every core while this
// thread reads, checks, encrypts and writes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "backup/native_file.hpp"
#include "backup/parallel_deflater.hpp"
#include "backup/zip_records.hpp"

namespace vaultkeep {

class GravadorEntrada {
  public:
    // `senhaAnsi`: the password's Windows-1252 bytes; empty writes no encryption.
    GravadorEntrada(ArquivoNativo& arquivo, std::string senhaAnsi);

    // Writes the entry for `origem` at `offset` and returns its description;
    // `fim` receives the offset just past its data. Entry failures throw ErroZip
    // (33 unreadable, 43 too large, 61 name too long, 65 write failed, 8 the file
    // changed while it was read); the bytes written from `offset` on are then
    // left for the caller to cut off.
    EntradaZip gravar(const std::filesystem::path& origem, std::uint64_t offset,
                      std::uint64_t& fim);

  private:
    void escrever(std::uint64_t offset, const void* dados, std::size_t n);

    ArquivoNativo& arquivo_;
    std::string senha_;
    ParallelDeflater deflater_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t semSincronizar_ = 0;  // offset from which writeback was not started yet
};

}  // namespace vaultkeep
