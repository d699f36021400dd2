#pragma once
// The traditional PKWARE encryption of the ZIP format: three 32-bit keys
// (0x12345678, 0x23456789, 0x34567890) updated by every plain byte, and a key
// stream byte taken from the third key. The password bytes are those of the
// Windows-1252 form of the password text; callers pass those bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vaultkeep {

class ZipCrypto {
  public:
    explicit ZipCrypto(std::string_view senhaAnsi);

    // Encrypts or decrypts in place; the keys advance over the bytes, so a long
    // stream may be processed in pieces.
    void cifrar(std::uint8_t* dados, std::size_t tamanho) noexcept;
    void decifrar(std::uint8_t* dados, std::size_t tamanho) noexcept;

  private:
    std::uint32_t k0_ = 0x12345678;
    std::uint32_t k1_ = 0x23456789;
    std::uint32_t k2_ = 0x34567890;
};

// Size of the encryption header in front of every encrypted entry's data.
inline constexpr std::size_t kTamanhoCabecalhoCifra = 12;

}  // namespace vaultkeep
