#pragma once
// The records of the ZIP format (little-endian): local file header, central file
// header, end of central directory record, the 64-bit end record and its
// locator, the data descriptor, and the extra fields the reader understands.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vaultkeep {

inline constexpr std::uint32_t kAssinaturaLocal = 0x04034B50;
inline constexpr std::uint32_t kAssinaturaCentral = 0x02014B50;
inline constexpr std::uint32_t kAssinaturaFim = 0x06054B50;
inline constexpr std::uint32_t kAssinaturaFim64 = 0x06064B50;
inline constexpr std::uint32_t kAssinaturaLocalizador64 = 0x07064B50;
inline constexpr std::uint32_t kAssinaturaDescritor = 0x08074B50;

inline constexpr std::size_t kTamanhoLocal = 30;
inline constexpr std::size_t kTamanhoCentral = 46;
inline constexpr std::size_t kTamanhoFim = 22;
inline constexpr std::size_t kTamanhoFim64 = 56;
inline constexpr std::size_t kTamanhoLocalizador64 = 20;

inline constexpr std::uint16_t kFlagCifrado = 0x0001;
inline constexpr std::uint16_t kFlagDescritor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;

inline constexpr std::uint16_t kMetodoArmazenado = 0;
inline constexpr std::uint16_t kMetodoDeflate = 8;
inline constexpr std::uint16_t kMetodoDeflate64 = 9;

inline constexpr std::uint32_t kAtributoSomenteLeitura = 0x01;
inline constexpr std::uint32_t kAtributoPasta = 0x10;
inline constexpr std::uint32_t kAtributoArquivo = 0x20;

// The largest value a 32-bit field holds; it also marks "see the 64-bit field".
inline constexpr std::uint64_t kLimite32 = 0xFFFFFFFFu;

inline std::uint16_t le16(const unsigned char* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const unsigned char* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t le64(const unsigned char* p) noexcept {
    return static_cast<std::uint64_t>(le32(p)) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}

void anexar16(std::string& d, std::uint16_t v);
void anexar32(std::string& d, std::uint32_t v);

// One entry as the archive describes it. The reader fills it from a central file
// header or, when it rebuilds the list, from a local header (and its data
// descriptor); the writer from the file it stored.
struct EntradaZip {
    std::string nomeBruto;  // the stored name bytes
    std::string nome;       // the name as text (UTF-8)
    std::uint16_t versaoFeita = 0;
    std::uint16_t versaoNecessaria = 20;
    std::uint16_t flags = 0;
    std::uint16_t metodo = kMetodoDeflate;
    std::uint16_t hora = 0;
    std::uint16_t data = 0;
    std::uint32_t crc = 0;
    std::uint64_t compactado = 0;  // stored bytes, encryption header included
    std::uint64_t original = 0;
    std::uint32_t atributos = 0;  // external attributes (Windows bits in the low byte)
    std::uint64_t offsetLocal = 0;

    bool cifrada() const noexcept { return flags & kFlagCifrado; }
};

// The 30-byte local file header and the name, from the entry's fields (no extra
// field). Only values below 2^32 are representable; the writer checks that.
std::string montarCabecalhoLocal(const EntradaZip& e);
// The 46-byte central file header and the name (no extra field, no comment).
std::string montarCabecalhoCentral(const EntradaZip& e);
// The 22-byte end record.
std::string montarFim(std::uint16_t entradas, std::uint32_t tamanhoDiretorio,
                      std::uint32_t offsetDiretorio);

// Fields of a local file header read from its 30 bytes (signature checked by the
// caller).
struct CabecalhoLocal {
    std::uint16_t versaoNecessaria, flags, metodo, hora, data;
    std::uint32_t crc;
    std::uint64_t compactado, original;
    std::uint16_t tamanhoNome, tamanhoExtra;
};
CabecalhoLocal lerCabecalhoLocal(const unsigned char* p);

// Applies the Zip64 extended information extra field (0x0001) found in `extra`:
// each of the given values that holds 0xFFFFFFFF (0xFFFF for the disk) is read,
// in the APPNOTE's order, from the field. A null pointer skips that value.
// Returns false when a needed value is missing from the field.
bool aplicarExtraZip64(std::string_view extra, std::uint64_t* original, std::uint64_t* compactado,
                       std::uint64_t* offset, std::uint32_t* disco);

// The UTF-8 name of an Info-ZIP Unicode Path extra field (0x7075) whose CRC
// matches the stored name bytes.
std::optional<std::string> nomeUnicodeDoExtra(std::string_view extra, std::string_view nomeBruto);

}  // namespace vaultkeep
