#pragma once
// Helpers of the archive tests: the serial zlib stream the writer must equal, a
// reference traditional PKWARE cipher written apart from the product's, a
// builder of hand-made archives (any layout the reader must cope with), and
// small byte and folder helpers.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vaultkeep::teste {

namespace fs = std::filesystem;

// One serial zlib raw stream (level 6, window 15, memory level 8, default
// strategy) fed 1 MiB pieces: sync flush after each but the last, finish after
// the last.
std::string deflateSerial(std::string_view dados);
std::string inflateRaw(std::string_view comprimido);
std::uint32_t crc32De(std::string_view dados);

// Data that compresses like a database and has matches that reach back across
// every 1 MiB boundary: text records drawn from a small vocabulary, runs of
// zeros, and repeats of blocks seen up to 30 KiB earlier.
std::string dadosCompressiveis(std::size_t tamanho, std::uint32_t semente);

// The traditional PKWARE cipher, straight from the APPNOTE's description.
class CifraReferencia {
  public:
    explicit CifraReferencia(std::string_view senha);
    std::string cifrar(std::string_view claro);
    std::string decifrar(std::string_view cifrado);

  private:
    std::uint8_t byteChave() const;
    void atualizar(std::uint8_t c);
    std::uint32_t k_[3] = {0x12345678, 0x23456789, 0x34567890};
};

// A hand-made entry.
struct EntradaTeste {
    std::string nome;   // stored bytes
    std::string dados;  // file bytes
    std::uint16_t metodo = 8;
    std::string senha;  // not empty: encrypted (check byte per `descritor`)
    bool descritor =
        false;           // flag bit 3, zero sizes in the local header, descriptor after the data
    bool zip64 = false;  // Zip64 extra fields, 0xFFFFFFFF in the classic fields
    std::uint16_t flagsExtras = 0;
    std::uint32_t atributos = 0x20;
    std::uint16_t hora = 0x6B2A;                  // 13:25:20
    std::uint16_t data = 0x5A8C;                  // 2025-04-12
    std::optional<std::uint32_t> crcInformado;    // a wrong CRC on purpose
    std::optional<std::string> dadosArmazenados;  // bytes stored instead of the real ones
    std::string extra;                            // an extra field to add (local and central)
};

struct OpcoesZip {
    bool diretorio = true;  // central directory and end record
    bool fim64 = false;     // 64-bit end record and locator
    std::string prefixo;    // bytes in front of the archive
};

// Brace initialisers that leave members out draw warnings; these keep the
// tables short instead.
EntradaTeste entradaTeste(std::string nome, std::string dados, std::uint16_t metodo = 8,
                          std::string senha = {});
OpcoesZip semDiretorio();
OpcoesZip comFim64();
OpcoesZip comPrefixo(std::string prefixo);

std::string montarZip(const std::vector<EntradaTeste>& entradas, const OpcoesZip& opcoes = {});

// Little-endian reads of an archive's bytes.
std::uint16_t l16(std::string_view s, std::size_t pos);
std::uint32_t l32(std::string_view s, std::size_t pos);

// Every path below `raiz`, relative, folders with a trailing "/".
std::set<std::string> arvore(const fs::path& raiz);

}  // namespace vaultkeep::teste
