#include "backup/zip_crypto.hpp"

#include <array>

namespace vaultkeep {
namespace {

constexpr std::array<std::uint32_t, 256> tabelaCrc() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}

constexpr auto kCrc = tabelaCrc();

inline std::uint32_t passoCrc(std::uint32_t crc, std::uint8_t b) noexcept {
    return kCrc[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCrypto::ZipCrypto(std::string_view senhaAnsi) {
    for (unsigned char c : senhaAnsi) {
        k0_ = passoCrc(k0_, c);
        k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
        k2_ = passoCrc(k2_, static_cast<std::uint8_t>(k1_ >> 24));
    }
}

// Local copies of the keys let the compiler keep them in registers across the
// loop; the key chain is the whole cost of this cipher.
void ZipCrypto::cifrar(std::uint8_t* d, std::size_t n) noexcept {
    std::uint32_t k0 = k0_, k1 = k1_, k2 = k2_;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t t = (k2 | 2) & 0xFFFF;
        const std::uint8_t claro = d[i];
        d[i] = static_cast<std::uint8_t>(claro ^ ((t * (t ^ 1)) >> 8));
        k0 = passoCrc(k0, claro);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = passoCrc(k2, static_cast<std::uint8_t>(k1 >> 24));
    }
    k0_ = k0, k1_ = k1, k2_ = k2;
}

void ZipCrypto::decifrar(std::uint8_t* d, std::size_t n) noexcept {
    std::uint32_t k0 = k0_, k1 = k1_, k2 = k2_;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t t = (k2 | 2) & 0xFFFF;
        const std::uint8_t claro = static_cast<std::uint8_t>(d[i] ^ ((t * (t ^ 1)) >> 8));
        d[i] = claro;
        k0 = passoCrc(k0, claro);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = passoCrc(k2, static_cast<std::uint8_t>(k1 >> 24));
    }
    k0_ = k0, k1_ = k1, k2_ = k2;
}

}  // namespace vaultkeep
